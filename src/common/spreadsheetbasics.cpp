// The parts of spreadsheet.h that need no reader library: they stay in
// quill_core when the readers themselves are a module (see backendmodules.h).

#include <QFileInfo>
#include <cmath>

#include "common/sheetparts.h"
#include "common/spreadsheet.h"
#include "common/textrules.h"

namespace quill {

bool IsSpreadsheetFile(const QString& path) {
    const QString s = QFileInfo(path).suffix().toLower();
    return s == QLatin1String("xls") || s == QLatin1String("xlsx") || s == QLatin1String("ods") ||
           s == QLatin1String("csv");
}

QString FormatCellNumber(double value) {
    if (std::isnan(value) || std::isinf(value)) return QStringLiteral("#NUM!");
    if (value == 0) return QStringLiteral("0");
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

QString SpreadsheetOpenFilter() {
    return QStringLiteral(
        "Excel Worksheet|*.xls|Excel Workbook|*.xlsx|OpenDocument Spreadsheet|*.ods|"
        "Comma-separated values|*.csv");
}

std::optional<QString> HitNameFromImport(const QString& text) {
    const int b = InStr(text, QStringLiteral("|"));
    if (b == 0) return text;
    const QString left = text.left(b - 1);
    const int m = InStr(text, QStringLiteral("MM#"));
    if (m == 0) return left;
    const std::optional<QString> middle = Cut(text, b + 2, m - b - 3);
    if (!middle) return std::nullopt;
    return left + *middle;
}

QString SheetFail(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot read the spreadsheet \"%1\": %2.")
        .arg(QFileInfo(path).fileName(), reason);
}

}  // namespace quill
