#pragma once
// The registration of every window of the program with the window manager.

#include <QString>
#include <QStringList>

namespace quill::ui {

class WindowManager;
class TermListEditor;

// Registers the factory (load handler) of every window.
void RegisterAppWindows(WindowManager& windows);

// The back-button steps of a working window: close the active workbook of
// its term list without saving (when it has one; every failure ignored),
// unload the windows in alsoUnload, unload the window, show the menu.
void ReturnToMenu(WindowManager& windows, const QString& window, TermListEditor* editor = nullptr,
                  const QStringList& alsoUnload = {});

}  // namespace quill::ui
