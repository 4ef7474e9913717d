#pragma once
// The screening criteria window: the tissues of interest of both species,
// the two tests and their thresholds, and the expression tables the
// profiles come from. Non-modal; loaded hidden with the expression-profile
// window and kept for the life of the program, so its settings survive that
// window. OK checks the thresholds and hides it.
//
// Expression tables: a file field for each species (typed, or chosen with
// Browse). A table is read when it is chosen (a table that cannot be read
// is reported then); while one is read, that species' list shows the
// table's own tissues, ovary and testis selected, in place of the archive's
// body sites. The two fields are kept from one start of the program to the
// next (QSettings, kMouseTableKey and kHumanTableKey).

#include <QDialog>
#include <memory>
#include <optional>

#include "profile/screening.h"
#include "profile/screeningengine.h"

namespace Ui {
class frmHitsOptions;
}

namespace quill::ui {

struct AppContext;

class FrmHitsOptions : public QDialog {
    Q_OBJECT
  public:
    // The load handler: both lists with their default selections, the
    // default thresholds, both tests on.
    explicit FrmHitsOptions(QWidget* parent = nullptr);
    ~FrmHitsOptions() override;

    ScreeningCriteria Criteria() const;
    TissueSelection Tissues() const;
    // The tables read from the two file fields (null for an empty field or
    // a table that could not be read).
    ScreeningTables Tables() const;
    // Before a run: reads what a field names and is not read yet (a name
    // typed, a kept table that was missing at start-up, or one that could
    // not be read before). The message of the first table that cannot be
    // read (naming the file, and the line when there is one); nullopt when
    // every table named is read.
    std::optional<QString> ReadTables();

    // The settings keys of the mouse and the human table's file.
    static const QString kMouseTableKey;
    static const QString kHumanTableKey;

  private:
    struct TableField;
    void cmdDefault_Click();
    void cmdOK_Click();
    void ChooseTable(TableField& field);
    // Reads the field's file (none when empty), keeps its name in the
    // settings and fills the species' list; tell: a table that cannot be
    // read is reported in a message.
    void UseTable(TableField& field, bool tell);

    std::unique_ptr<Ui::frmHitsOptions> ui_;
    std::unique_ptr<TableField> mouse_;
    std::unique_ptr<TableField> human_;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmHitsOptions(AppContext& ctx);

}  // namespace quill::ui
