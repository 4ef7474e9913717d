#pragma once
// The start-up window, the main menu and the About window.

#include <QWidget>
#include <memory>

namespace Ui {
class FrmSplashForm;
class FrmMenuForm;
class FrmAboutForm;
}  // namespace Ui

namespace quill::ui {

class WindowManager;

// The program's logo (drawn for Quillfish).
QPixmap ShellLogo();
// "Version " and the program's version.
QString VersionCaption();

class FrmSplash : public QWidget {
    Q_OBJECT
  public:
    explicit FrmSplash(WindowManager& windows, QWidget* parent = nullptr);
    ~FrmSplash() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Shows the menu, then hides the splash.
    void Continue();

    WindowManager& windows_;
    std::unique_ptr<Ui::FrmSplashForm> ui_;
    bool keyDown_ = false;  // a key went down on the splash and is not up yet
};

class FrmMenu : public QWidget {
    Q_OBJECT
  public:
    explicit FrmMenu(WindowManager& windows, QWidget* parent = nullptr);
    ~FrmMenu() override;

  private:
    void Open(const QString& window);

    WindowManager& windows_;
    std::unique_ptr<Ui::FrmMenuForm> ui_;
};

class FrmAbout : public QWidget {
    Q_OBJECT
  public:
    explicit FrmAbout(WindowManager& windows, QWidget* parent = nullptr);
    ~FrmAbout() override;

  private:
    WindowManager& windows_;
    std::unique_ptr<Ui::FrmAboutForm> ui_;
};

}  // namespace quill::ui
