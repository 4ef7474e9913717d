#pragma once
// What the windows of one program run share: the settings, the shared state
// and the navigator that leads from one window to another.

#include "web/module1.h"
#include "web/settings.h"

namespace quill::ui {

class Navigator;

struct AppContext {
    Settings settings;
    Module1 module;
    Navigator* windows = nullptr;
};

}  // namespace quill::ui
