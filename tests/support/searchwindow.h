#pragma once
// The search window in a program run of its own, for the window tests: the
// context, the window manager with the search, options, menu and IGTC
// windows, and the dialog double.

#include <QPlainTextEdit>
#include <QPushButton>

#include "search/gui/frmoptions.h"
#include "search/gui/frmquill.h"
#include "shell/windowmanager.h"
#include "support/widgets.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

namespace quill::test {

inline QWidget* Placeholder(const QString& name) {
    auto* w = new QWidget;
    w->setObjectName(name);
    return w;
}

struct SearchApp {
    ui::AppContext ctx;
    ui::WindowManager wm{ctx};
    ui::PlatformDouble platform;
    int openHeight = 0;  // the window's height when it opened

    explicit SearchApp(const QString& base) {
        ctx.windows = &wm;
        ctx.settings.NcbiServerBase = base;
        ctx.settings.IgtcServerBase = base;
        ctx.settings.PolitenessMs = 0;
        wm.Register(ui::win::Quill, ui::CreateFrmQuill);
        wm.Register(ui::win::Options, ui::CreateFrmOptions);
        wm.Register(ui::win::Menu, [](ui::AppContext&) { return Placeholder(ui::win::Menu); });
        wm.Register(ui::win::Igtc, [](ui::AppContext&) { return Placeholder(ui::win::Igtc); });
    }
    ui::FrmQuill* Open() {
        auto* q = qobject_cast<ui::FrmQuill*>(wm.Show(ui::win::Quill));
        if (q) openHeight = q->height();
        return q;
    }
    ui::FrmOptions* Options() { return wm.As<ui::FrmOptions>(ui::win::Options); }
    void Click(const char* option) { quill::test::Click(Options(), option); }
    bool Shown(const QString& name) { return wm.Window(name) && wm.Window(name)->isVisible(); }
    // Cancel during a run, and Yes to the question.
    void CancelRun(ui::FrmQuill* q) {
        platform.queueAnswer(true);
        q->Editor()->CancelButton()->click();
    }
};

// Advanced mode with these terms in the list.
inline void SetAdvanced(ui::FrmQuill* q, const QStringList& terms) {
    if (!Checked(q, "chkSearch")) Click(q, "chkSearch");
    q->Editor()->SetTerms(terms);
}

}  // namespace quill::test
