#include "shell/appwindows.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/gui/termlisteditor.h"
#include "igtc/gui/frmigtc.h"
#include "profile/gui/frmhits.h"
#include "profile/gui/frmhitsoptions.h"
#include "search/gui/frmoptions.h"
#include "search/gui/frmquill.h"
#include "shell/shellwindows.h"
#include "shell/windowmanager.h"

namespace quill::ui {

namespace {

// A stand-in for a working window that is still being built: its caption, a
// note, optionally the term list editor in a frame, and the back button.
QWidget* MakePlaceholder(WindowManager& wm, AppContext& ctx, const QString& name,
                         const QString& caption, const QString& backButton,
                         std::optional<TermListEditor::Variant> editorVariant = std::nullopt,
                         const QString& frameName = QString(),
                         const QString& frameCaption = QString(),
                         const QStringList& alsoUnload = {}) {
    auto* w = new QWidget;
    w->setObjectName(name);
    w->setWindowTitle(caption);
    w->setWindowIcon(ShellLogo());
    auto* layout = new QVBoxLayout(w);
    auto* note = new QLabel(QStringLiteral("This part of Quillfish is not available yet."), w);
    note->setObjectName(QStringLiteral("lblPlaceholder"));
    layout->addWidget(note);
    TermListEditor* editor = nullptr;
    if (editorVariant) {
        auto* frame = new QGroupBox(frameCaption, w);
        frame->setObjectName(frameName);
        auto* frameLayout = new QVBoxLayout(frame);
        editor = new TermListEditor(frame);
        editor->Configure(*editorVariant, &ctx.module);
        editor->SetSimpleMode(false);
        frameLayout->addWidget(editor);
        layout->addWidget(frame);
    }
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* back = new QPushButton(QStringLiteral("&Menu"), w);
    back->setObjectName(backButton);
    row->addWidget(back);
    layout->addLayout(row);
    QObject::connect(back, &QPushButton::clicked, w, [&wm, name, editor, alsoUnload] {
        ReturnToMenu(wm, name, editor, alsoUnload);
    });
    return w;
}

}  // namespace

void ReturnToMenu(WindowManager& windows, const QString& window, TermListEditor* editor,
                  const QStringList& alsoUnload) {
    if (editor) editor->CloseActiveWorkbook();
    for (const QString& other : alsoUnload) windows.Unload(other);
    windows.Unload(window);
    windows.Show(win::Menu);
}

void RegisterAppWindows(WindowManager& wm) {
    wm.Register(win::Splash, [&wm](AppContext&) { return new FrmSplash(wm); });
    wm.Register(win::Menu, [&wm](AppContext&) { return new FrmMenu(wm); });
    wm.Register(win::About, [&wm](AppContext&) { return new FrmAbout(wm); });

    // ---- Working and option windows: one line each. A placeholder is
    // ---- replaced by its window's real factory when that window lands.
    // frmQuill
    wm.Register(win::Quill, CreateFrmQuill);
    // frmOptions
    wm.Register(win::Options, CreateFrmOptions);
    // frmIGTC
    wm.Register(win::Igtc, CreateFrmIGTC);
    // frmHits
    wm.Register(win::Hits, CreateFrmHits);
    // frmHitsOptions
    wm.Register(win::HitsOptions, CreateFrmHitsOptions);
    // frmUnique (placeholder)
    wm.Register(win::Unique, [&wm](AppContext& ctx) {
        return MakePlaceholder(wm, ctx, win::Unique, QStringLiteral("Find Unique IGTC Hits"),
                               QStringLiteral("cmdMenu"), TermListEditor::Variant::Unique,
                               QStringLiteral("fraImport"), QStringLiteral("1: Import Hits"));
    });
}

}  // namespace quill::ui
