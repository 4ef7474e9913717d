#include "widgets/navigator.h"

#include "widgets/termlisteditor.h"

namespace quill::ui {

void Navigator::ReturnToMenu(const QString& window, TermListEditor* editor,
                             const QStringList& alsoUnload) {
    if (editor) editor->CloseActiveWorkbook();
    for (const QString& other : alsoUnload) Unload(other);
    Unload(window);
    Show(win::Menu);
}

}  // namespace quill::ui
