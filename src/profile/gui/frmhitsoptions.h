#pragma once
// The screening criteria window: the tissues of interest of both species,
// the two tests and their thresholds. Non-modal; loaded hidden with the
// expression-profile window and kept for the life of the program, so its
// settings survive that window. OK checks the thresholds and hides it.

#include <QDialog>
#include <memory>

#include "profile/screening.h"

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

  private:
    void cmdDefault_Click();
    void cmdOK_Click();

    std::unique_ptr<Ui::frmHitsOptions> ui_;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmHitsOptions(AppContext& ctx);

}  // namespace quill::ui
