#pragma once
// The spreadsheet application a term list imports from: open a workbook
// read-only and show it, read the cells the user selected, close the import
// window, close the active workbook without saving. The real one is a sheet
// window of this program; tests may put a fake in its place.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace quill::ui {

class SheetViewer;

class SpreadsheetApp {
  public:
    virtual ~SpreadsheetApp();

    // Opens the file read-only and shows it. false, with the reason in error
    // (naming the file), when it cannot be read.
    virtual bool OpenWorkbook(const QString& path, QString* error) = 0;
    // Every selected cell of the active window once, row by row within each
    // selected range; empty cells as "". nullopt when there is no window or
    // no selection.
    virtual std::optional<QStringList> ReadSelection() = 0;
    // Closes the active window; false when there is none.
    virtual bool CloseActiveWindow() = 0;
    // Closes the active workbook without saving; false when there is none.
    virtual bool CloseActiveWorkbook() = 0;

    // Makes the application every Open creates (a new one each time).
    using Factory = std::function<std::unique_ptr<SpreadsheetApp>()>;
    static std::unique_ptr<SpreadsheetApp> Create();
    // Replaces the factory (tests); an empty one restores the sheet window.
    static void SetFactory(Factory factory);
};

// The real application: one sheet window per instance. The window is its
// own top-level window and stays open when the instance is dropped.
class SheetSpreadsheetApp : public SpreadsheetApp {
  public:
    SheetSpreadsheetApp();
    ~SheetSpreadsheetApp() override;

    bool OpenWorkbook(const QString& path, QString* error) override;
    std::optional<QStringList> ReadSelection() override;
    bool CloseActiveWindow() override;
    bool CloseActiveWorkbook() override;

    SheetViewer* Viewer() const;  // nullptr before Open or after closing

  private:
    QPointer<SheetViewer> viewer_;
};

}  // namespace quill::ui
