#pragma once
// The term list editor that the search, expression-profile and unique-hit
// windows share: lstSearch with txtAdd and the Add, Delete, Clear, Cut,
// Open, Import and Cancel buttons, parameterised per window.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QListWidget;
class QLineEdit;
class QPushButton;

namespace quill {
struct Module1;
}

namespace quill::ui {

class SpreadsheetApp;

class TermListEditor : public QWidget {
    Q_OBJECT
  public:
    enum class Variant { Quill, Hits, Unique };

    explicit TermListEditor(QWidget* parent = nullptr);
    ~TermListEditor() override;

    // Sets the variant (captions, Add focus rule, Open dialog name, import
    // transformation and duplicate rule, Cancel presence) and the shared
    // state whose CancelSearch a confirmed Cancel raises.
    void Configure(Variant variant, Module1* module);
    Variant GetVariant() const;

    // Quill only: asked at every import whether "/" becomes a blank
    // (the accession option is checked).
    void SetAccessionModeQuery(std::function<bool()> query);

    // Simple mode hides the editor's list controls (lblSearchListbox,
    // lblImport, cmdOpen, cmdImport, cmdAdd, cmdDelete, lstSearch, txtAdd,
    // lblAdd, cmdClear, cmdCut); cmdCancel is not affected.
    void SetSimpleMode(bool simple);

    QStringList Terms() const;
    int Count() const;
    void SetTerms(const QStringList& terms);  // replaces the list
    void AddTerm(const QString& term);        // appends, no checks
    void ClearTerms();                        // no question

    QListWidget* List() const;          // lstSearch
    QLineEdit* AddBox() const;          // txtAdd
    QPushButton* CancelButton() const;  // cmdCancel (nullptr for Unique)

    // The window's spreadsheet (SpreadsheetApp); nullptr until Open was used.
    SpreadsheetApp* Spreadsheet() const;
    // Closes the active workbook without saving; every failure ignored.
    void CloseActiveWorkbook();

    // Import Selected Data: the cells selected in the window's spreadsheet,
    // transformed and checked for duplicates as the variant says. Any
    // failure ends it silently, keeping what was added.
    void Import();

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace quill::ui
