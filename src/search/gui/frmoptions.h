#pragma once
// The search options window: species, the mRNA and EST choice policies and
// the switch to accession mode. Loaded with the search window and only
// hidden by OK, so its choices live as long as it is loaded.

#include <QDialog>
#include <memory>

#include "search/searchtypes.h"

namespace Ui {
class frmOptions;
}

namespace quill::ui {

struct AppContext;

class FrmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit FrmOptions(QWidget* parent = nullptr);
    ~FrmOptions() override;

    // The choices as they stand now.
    SearchPolicy Policy() const;
    bool AccessionMode() const;

    // Selects the four policy defaults (optAuto, optAutoOne, optESTPrompt,
    // optAutoOneEST); species and accession mode keep their state.
    void SelectDefaults();

  signals:
    // chkAccession was clicked; the search window switches its buttons.
    void AccessionModeClicked(bool checked);

  private:
    std::unique_ptr<Ui::frmOptions> ui_;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmOptions(AppContext& ctx);

}  // namespace quill::ui
