#pragma once
// How a window reaches the other windows of the program without knowing the
// shell that wires them: the windows' names and the navigation interface that
// the shell's window manager implements. A window is handed the navigator in
// its AppContext; without one (a window tested on its own) it closes itself.

#include <QString>
#include <QStringList>
#include <QWidget>

namespace quill::ui {

class TermListEditor;

// The names the windows are registered, loaded and shown under.
namespace win {
inline const QString Splash = QStringLiteral("frmSplash");
inline const QString Menu = QStringLiteral("frmMenu");
inline const QString About = QStringLiteral("frmAbout");
inline const QString Quill = QStringLiteral("frmQuill");
inline const QString Options = QStringLiteral("frmOptions");
inline const QString Igtc = QStringLiteral("frmIGTC");
inline const QString Hits = QStringLiteral("frmHits");
inline const QString HitsOptions = QStringLiteral("frmHitsOptions");
inline const QString Unique = QStringLiteral("frmUnique");
}  // namespace win

class Navigator {
  public:
    virtual ~Navigator() = default;

    // Whether the program has a window of that name.
    virtual bool IsRegistered(const QString& name) const = 0;
    // Loads the window unless it is loaded; does not show it.
    virtual QWidget* Load(const QString& name) = 0;
    // Loads if needed, then shows it non-modal.
    virtual QWidget* Show(const QString& name) = 0;
    // Destroys the window and its contents. Safe to call from one of the
    // window's own event handlers.
    virtual void Unload(const QString& name) = 0;
    // The loaded window; nullptr when it is not loaded.
    virtual QWidget* Window(const QString& name) const = 0;

    template <class T>
    T* As(const QString& name) const {
        return qobject_cast<T*>(Window(name));
    }

    // The back-button steps of a working window: close the active workbook of
    // its term list without saving (when it has one; every failure ignored),
    // unload the windows in alsoUnload, unload the window, show the menu.
    void ReturnToMenu(const QString& window, TermListEditor* editor = nullptr,
                      const QStringList& alsoUnload = {});
};

}  // namespace quill::ui
