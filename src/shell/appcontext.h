#pragma once
// What the windows of one program run share: the settings, the shared state
// and the window manager.

#include "web/module1.h"
#include "web/settings.h"

namespace quill::ui {

class WindowManager;

struct AppContext {
    Settings settings;
    Module1 module;
    WindowManager* windows = nullptr;
};

}  // namespace quill::ui
