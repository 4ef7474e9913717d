#pragma once
// The registration of every window of the program with the window manager.

namespace quill::ui {

class WindowManager;

// Registers the factory (load handler) of every window.
void RegisterAppWindows(WindowManager& windows);

}  // namespace quill::ui
