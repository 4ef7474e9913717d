#pragma once
// The two choice dialogs of a search run: frmSequence (mRNA) and frmEST.
// Both show a choice table (accessions in a list, the selected row's
// description under it) and return the picked row, or -1 when the user
// cancels the whole search (Cancel Search or the window's close box).

#include <QDialog>
#include <memory>

#include "search/searchtypes.h"

namespace Ui {
class ChoiceDialog;
}

namespace quill::ui {

class ChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    // The dialog's objectName is "frmSequence" for an mRNA table and
    // "frmEST" for an EST table.
    explicit ChoiceDialog(const ChoiceTable& table, QWidget* parent = nullptr);
    ~ChoiceDialog() override;

    // Shows the dialog modally; the picked row (0-based) or -1 for cancel.
    int Ask();
    int Picked() const { return picked_; }

    static QString NameFor(ChoiceTable::Kind kind);

  protected:
    void reject() override;  // Escape and the close box cancel the search

  private:
    void ShowDescription(int row);
    void Choose();

    std::unique_ptr<Ui::ChoiceDialog> ui_;
    ChoiceTable table_;
    int picked_ = -1;
};

}  // namespace quill::ui
