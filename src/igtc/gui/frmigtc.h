#pragma once
// The IGTC window: the user pastes a BLAST result from the IGTC web site,
// processes it with a minimum score, and prints or saves the kept queries.

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class frmIGTC;
}

namespace quill::ui {

struct AppContext;

class FrmIGTC : public QWidget {
    Q_OBJECT
  public:
    explicit FrmIGTC(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmIGTC() override;

    // The output text of the last finished processing, with its CR LF line
    // ends (the output box shows it with plain line breaks).
    QString OutputText() const { return outputText_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void cmdProcess_Click();
    void cmdClear_Click();
    void cmdSave_Click();
    void cmdPrint_Click();
    void cmdOpenIGTC_Click();
    void cmdClose_Click();

    AppContext& ctx_;
    std::unique_ptr<Ui::frmIGTC> ui_;
    QString outputText_;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmIGTC(AppContext& ctx);

}  // namespace quill::ui
