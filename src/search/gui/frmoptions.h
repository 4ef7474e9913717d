#pragma once
// The search options window: species, the mRNA and EST choice policies, the
// switch to accession mode, where terms are looked up (today's NCBI or the
// UniGene archive pages) and the user's e-mail address and NCBI API key.
// Loaded with the search window and only hidden by OK, so its choices live
// as long as it is loaded.
//
// With the program's context, the source, e-mail address and key go into its
// settings as they change (the source starts as the settings have it). The
// e-mail address and key the user types are kept in the user's settings file
// (UserSettingsFile()) when the window hides, and come back from it the
// next time; a key field left empty means the NCBI_API_KEY environment
// variable's key, if any.

#include <QDialog>
#include <memory>

#include "search/searchtypes.h"
#include "web/settings.h"

namespace Ui {
class frmOptions;
}

namespace quill::ui {

struct AppContext;

class FrmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit FrmOptions(AppContext* ctx = nullptr, QWidget* parent = nullptr);
    ~FrmOptions() override;

    // The choices as they stand now.
    SearchPolicy Policy() const;
    bool AccessionMode() const;
    Settings::SequenceSource Source() const;
    QString Email() const;
    // The key in force: the field's, else the environment's.
    QString ApiKey() const;

    // Selects the four policy defaults (optAuto, optAutoOne, optESTPrompt,
    // optAutoOneEST); species, accession mode and source keep their state.
    void SelectDefaults();

    // Where the e-mail address and key are kept: Quillfish/Quillfish.conf in
    // the user's configuration folder (QSettings, the same file as the
    // other kept values, user scope;
    // tests point QSettings::setPath elsewhere).
    static QString UserSettingsFile();

  signals:
    // chkAccession was clicked; the search window switches its buttons.
    void AccessionModeClicked(bool checked);
    // The source option changed.
    void SourceChanged();

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void Apply();
    void Keep();

    std::unique_ptr<Ui::frmOptions> ui_;
    AppContext* ctx_;
    QString environmentKey_;
    bool emailEdited_ = false, keyEdited_ = false;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmOptions(AppContext& ctx);

}  // namespace quill::ui
