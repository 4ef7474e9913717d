#include "shell/shellwindows.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>

#include "shell/windowmanager.h"
#include "text/version.h"
#include "ui_frmabout.h"
#include "ui_frmmenu.h"
#include "ui_frmsplash.h"

// Resources of the static gui library are registered once, outside any namespace.
static void InitShellResources() {
    static bool done = false;
    if (done) return;
    done = true;
    Q_INIT_RESOURCE(quillfish);
}

namespace quill::ui {

QPixmap ShellLogo() {
    InitShellResources();
    return QPixmap(QStringLiteral(":/shell/logo.png"));
}

namespace {
// Places a window in the middle of the screen.
void Center(QWidget* w) {
    w->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = w->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        w->move(frame.topLeft());
    }
}
}  // namespace

QString VersionCaption() {
    return QStringLiteral("Version ") + QuillVersion();
}

FrmSplash::FrmSplash(WindowManager& windows, QWidget* parent)
    : QWidget(parent), windows_(windows), ui_(std::make_unique<Ui::FrmSplashForm>()) {
    ui_->setupUi(this);
    ui_->imgLogo->setPixmap(ShellLogo());
    ui_->lblVersion->setText(VersionCaption());
    ui_->lblProductName->setText(QStringLiteral("Quillfish"));
    ui_->Frame1->installEventFilter(this);
    setFocus();
    Center(this);
}

FrmSplash::~FrmSplash() = default;

// The splash leaves when a key that went down on it comes up again: the
// whole key stroke stays here, so its release cannot reach the menu's focused
// button (a Space or Enter would otherwise press it).
void FrmSplash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (!event->isAutoRepeat()) keyDown_ = true;
}

void FrmSplash::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (event->isAutoRepeat() || !keyDown_) return;
    keyDown_ = false;
    Continue();
}

bool FrmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Frame1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui_->Frame1->rect().contains(mouse->pos())) {
            Continue();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmSplash::Continue() {
    windows_.Show(win::Menu);
    windows_.Hide(win::Splash);
}

FrmMenu::FrmMenu(WindowManager& windows, QWidget* parent)
    : QWidget(parent), windows_(windows), ui_(std::make_unique<Ui::FrmMenuForm>()) {
    ui_->setupUi(this);
    setWindowIcon(ShellLogo());
    connect(ui_->cmdSearch, &QPushButton::clicked, this, [this] { Open(win::Quill); });
    connect(ui_->cmdProcess, &QPushButton::clicked, this, [this] { Open(win::Igtc); });
    connect(ui_->cmdHits, &QPushButton::clicked, this, [this] { Open(win::Hits); });
    connect(ui_->cmdUnique, &QPushButton::clicked, this, [this] { Open(win::Unique); });
    connect(ui_->cmdAbout, &QPushButton::clicked, this, [this] { Open(win::About); });
    connect(ui_->cmdExit, &QPushButton::clicked, this, [this] { windows_.UnloadAll(); });
    setMinimumWidth(380);
    Center(this);
}

FrmMenu::~FrmMenu() = default;

void FrmMenu::Open(const QString& window) {
    windows_.Show(window);
    windows_.Hide(win::Menu);
}

FrmAbout::FrmAbout(WindowManager& windows, QWidget* parent)
    : QWidget(parent), windows_(windows), ui_(std::make_unique<Ui::FrmAboutForm>()) {
    ui_->setupUi(this);
    ui_->Image1->setPixmap(ShellLogo());
    connect(ui_->cmdOK, &QPushButton::clicked, this, [this] {
        windows_.Unload(win::About);
        windows_.Show(win::Menu);
    });
    // Esc closes the window like OK.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, ui_->cmdOK, &QPushButton::click);
    Center(this);
}

FrmAbout::~FrmAbout() = default;

}  // namespace quill::ui
