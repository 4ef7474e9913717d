#include "sheets/gui/spreadsheetapp.h"

#include "sheets/gui/sheetviewer.h"
#include "sheets/spreadsheet.h"

namespace quill::ui {

namespace {
SpreadsheetApp::Factory& CurrentFactory() {
    static SpreadsheetApp::Factory factory;
    return factory;
}
}  // namespace

SpreadsheetApp::~SpreadsheetApp() = default;

std::unique_ptr<SpreadsheetApp> SpreadsheetApp::Create() {
    if (CurrentFactory()) return CurrentFactory()();
    return std::make_unique<SheetSpreadsheetApp>();
}

void SpreadsheetApp::SetFactory(Factory factory) {
    CurrentFactory() = std::move(factory);
}

SheetSpreadsheetApp::SheetSpreadsheetApp() = default;

// The sheet window stays open for the user.
SheetSpreadsheetApp::~SheetSpreadsheetApp() = default;

bool SheetSpreadsheetApp::OpenWorkbook(const QString& path, QString* error) {
    WorkbookResult r = ReadWorkbook(path);
    if (!r.ok) {
        if (error) *error = r.error;
        return false;
    }
    auto* viewer = new SheetViewer(std::move(r.book));
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    viewer_ = viewer;
    return true;
}

std::optional<QStringList> SheetSpreadsheetApp::ReadSelection() {
    if (!viewer_) return std::nullopt;
    return viewer_->SelectedTexts();
}

bool SheetSpreadsheetApp::CloseActiveWindow() {
    if (!viewer_) return false;
    viewer_->close();
    viewer_.clear();
    return true;
}

bool SheetSpreadsheetApp::CloseActiveWorkbook() {
    if (!viewer_) return false;
    const QString name = viewer_->WorkbookName();  // read first, as closing needs it
    if (name.isEmpty()) return false;
    viewer_->close();
    viewer_.clear();
    return true;
}

SheetViewer* SheetSpreadsheetApp::Viewer() const {
    return viewer_.data();
}

}  // namespace quill::ui
