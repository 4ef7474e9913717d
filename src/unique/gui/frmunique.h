#pragma once
// The unique hit window: a list of IGTC hits (typed, or imported from a
// spreadsheet with duplicates kept) reduced to the unique hit names, shown
// as a report that can be printed and saved.

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class frmUnique;
}

namespace quill::ui {

struct AppContext;
class TermListEditor;

class FrmUnique : public QWidget {
    Q_OBJECT
  public:
    explicit FrmUnique(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmUnique() override;

    TermListEditor* Editor() const { return editor_; }
    // The report text as the result box holds it, lines ending with CR LF.
    QString ResultText() const;

  private:
    void cmdFind_Click();
    void cmdPrint_Click();
    void cmdSave_Click();
    void cmdMenu_Click();

    AppContext& ctx_;
    std::unique_ptr<Ui::frmUnique> ui_;
    TermListEditor* editor_ = nullptr;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmUnique(AppContext& ctx);

}  // namespace quill::ui
