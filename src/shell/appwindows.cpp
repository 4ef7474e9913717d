#include "shell/appwindows.h"

#include "igtc/gui/frmigtc.h"
#include "profile/gui/frmhits.h"
#include "profile/gui/frmhitsoptions.h"
#include "search/gui/frmoptions.h"
#include "search/gui/frmquill.h"
#include "shell/shellwindows.h"
#include "shell/windowmanager.h"
#include "unique/gui/frmunique.h"

namespace quill::ui {

void RegisterAppWindows(WindowManager& wm) {
    wm.Register(win::Splash, [&wm](AppContext&) { return new FrmSplash(wm); });
    wm.Register(win::Menu, [&wm](AppContext&) { return new FrmMenu(wm); });
    wm.Register(win::About, [&wm](AppContext&) { return new FrmAbout(wm); });

    // ---- Working and option windows: one line each.
    // frmQuill
    wm.Register(win::Quill, CreateFrmQuill);
    // frmOptions
    wm.Register(win::Options, CreateFrmOptions);
    // frmIGTC
    wm.Register(win::Igtc, CreateFrmIGTC);
    // frmHits
    wm.Register(win::Hits, CreateFrmHits);
    // frmHitsOptions
    wm.Register(win::HitsOptions, CreateFrmHitsOptions);
    // frmUnique
    wm.Register(win::Unique, CreateFrmUnique);
}

}  // namespace quill::ui
