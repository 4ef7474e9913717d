#include "sheets/sheetparts.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace quill {

QString TooManyCellsReason() {
    return QStringLiteral("its sheets span more than %1 cells, the most that can be shown")
        .arg(kMaxWorkbookCells);
}

QString PartTooLargeReason(const QString& part) {
    return QStringLiteral("its part %1 unpacks to more than %2 MiB, the most a part may hold")
        .arg(part)
        .arg(kMaxPartBytes >> 20);
}

QString CellFromUtf8(std::string_view text) {
    // Every UTF-16 unit takes at most three bytes of UTF-8.
    if (text.size() > size_t(3) * kMaxCellChars) throw SheetLimit{CellTooLongReason()};
    QString cell = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (cell.size() > kMaxCellChars) throw SheetLimit{CellTooLongReason()};
    return cell;
}

bool SheetBuilder::Fits(int row, int column) const {
    return qint64(std::max(row, maxRow_) + 1) * (std::max(column, maxColumn_) + 1) <=
           kMaxWorkbookCells;
}

void SheetBuilder::Put(int row, int column, const QString& text) {
    if (row < 0 || column < 0 || row >= kMaxSheetRows || column >= kMaxSheetColumns) return;
    if (text.isEmpty()) {
        cells_.remove(Key(row, column));
        return;
    }
    if (text.size() > kMaxCellChars) throw SheetLimit{CellTooLongReason()};
    if (!Fits(row, column)) throw SheetLimit{TooManyCellsReason()};
    cells_.insert(Key(row, column), text);
    maxRow_ = std::max(maxRow_, row);
    maxColumn_ = std::max(maxColumn_, column);
}

QString SheetBuilder::At(int row, int column) const {
    return cells_.value(Key(row, column));
}

SheetData SheetBuilder::Take(const QString& name) const {
    SheetData sheet;
    sheet.name = name;
    sheet.rows = maxRow_ + 1;
    sheet.columns = maxColumn_ + 1;
    sheet.cells.resize(qsizetype(sheet.rows) * sheet.columns);
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it) {
        const qint64 row = it.key() >> 16;
        const qint64 column = it.key() & 0xFFFF;
        sheet.cells[row * sheet.columns + column] = it.value();
    }
    return sheet;
}

ZipPart::ZipPart(zip_file_t* file, const QString& name, bool markup)
    : file_(file), name_(name), markup_(markup) {
    open(QIODevice::ReadOnly);
}

ZipPart::~ZipPart() {
    zip_fclose(file_);
}

qint64 ZipPart::Fail(const QString& limit) {
    limit_ = limit;
    setErrorString(limit);
    return -1;
}

qint64 ZipPart::readData(char* data, qint64 maxSize) {
    if (!limit_.isEmpty()) return -1;
    if (read_ >= kMaxPartBytes) {
        // The package gave a smaller size than the part unpacks to.
        char more = 0;
        return zip_fread(file_, &more, 1) != 0 ? Fail(PartTooLargeReason(name_)) : 0;
    }
    const zip_int64_t n =
        zip_fread(file_, data, zip_uint64_t(std::min(maxSize, kMaxPartBytes - read_)));
    if (n < 0) {
        setErrorString(QString::fromUtf8(zip_file_strerror(file_)));
        return -1;
    }
    read_ += n;
    if (!markup_) return n;
    const char* end = data + n;
    const char* lastTag = end;
    while (lastTag != data && lastTag[-1] != '<') --lastTag;
    run_ = lastTag == data ? run_ + n : end - lastTag;
    if (run_ > kMaxTextRunBytes) return Fail(CellTooLongReason());
    return n;
}

ZipPackage::ZipPackage(const QString& path) {
    int code = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!zip_) {
        if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS) {
            error_ = QStringLiteral("it is not a zip package");
        } else {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            error_ = QString::fromUtf8(zip_error_strerror(&error));
            zip_error_fini(&error);
        }
        return;
    }
    // A part that claims more packed bytes than the whole file holds is
    // damage; a reader that trusts the claim would allocate that much.
    const qint64 fileSize = QFileInfo(path).size();
    const zip_int64_t count = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(zip_, zip_uint64_t(i), 0, &stat) != 0) continue;
        if ((stat.valid & ZIP_STAT_COMP_SIZE) && stat.comp_size > zip_uint64_t(fileSize)) {
            error_ = QStringLiteral("its part %1 claims more bytes than the file holds")
                         .arg(QString::fromUtf8(stat.name ? stat.name : "?"));
            zip_discard(zip_);
            zip_ = nullptr;
            return;
        }
    }
}

ZipPackage::~ZipPackage() {
    if (zip_) zip_discard(zip_);
}

std::unique_ptr<ZipPart> ZipPackage::Open(const QString& name, bool markup) const {
    if (!zip_) return nullptr;
    const zip_int64_t index = zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) return nullptr;
    zip_stat_t stat;
    if (zip_stat_index(zip_, zip_uint64_t(index), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) &&
        stat.size > zip_uint64_t(kMaxPartBytes))
        throw SheetLimit{PartTooLargeReason(name)};
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) return nullptr;
    return std::make_unique<ZipPart>(file, name, markup);
}

QStringList ZipPackage::Names() const {
    QStringList names;
    const zip_int64_t count = zip_ ? zip_get_num_entries(zip_, 0) : 0;
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(zip_, zip_uint64_t(i), 0))
            names.append(QString::fromUtf8(name));
    return names;
}

bool ReadOneZipFile(const QString& path, QByteArray* bytes, QString* name, QString* error) {
    try {
        const ZipPackage package(path);
        if (!package.IsOpen()) {
            *error = QStringLiteral("the zip archive cannot be opened (%1)").arg(package.Error());
            return false;
        }
        QStringList files;
        for (const QString& n : package.Names()) {
            if (!n.endsWith(QLatin1Char('/')) && !n.startsWith(QLatin1String("__MACOSX/")))
                files.append(n);
        }
        if (files.size() != 1) {
            *error = files.isEmpty()
                         ? QStringLiteral("the zip archive holds no file")
                         : QStringLiteral("the zip archive holds %1 files, not one table")
                               .arg(files.size());
            return false;
        }
        const std::unique_ptr<ZipPart> part = package.Open(files.first(), false);
        if (!part) {
            *error =
                QStringLiteral("the zip archive's file %1 cannot be unpacked").arg(files.first());
            return false;
        }
        QByteArray out;
        constexpr qint64 kChunk = qint64(1) << 20;
        for (;;) {
            const qsizetype at = out.size();
            out.resize(at + kChunk);
            const qint64 n = part->read(out.data() + at, kChunk);
            if (n < 0) {
                const QString limit = part->Limit();
                *error = !limit.isEmpty() ? limit
                                          : QStringLiteral("the zip archive is damaged (%1)")
                                                .arg(part->errorString());
                return false;
            }
            out.resize(at + n);
            if (n == 0) break;
        }
        *bytes = out;
        *name = files.first();
        return true;
    } catch (const SheetLimit& limit) {
        *error = limit.reason;
        return false;
    }
}

QString DateTimeText(int year, int month, int day, int hour, int minute, int second) {
    QString text = QStringLiteral("%1-%2-%3")
                       .arg(year, 4, 10, QLatin1Char('0'))
                       .arg(month, 2, 10, QLatin1Char('0'))
                       .arg(day, 2, 10, QLatin1Char('0'));
    if (hour || minute || second)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(hour, 2, 10, QLatin1Char('0'))
                    .arg(minute, 2, 10, QLatin1Char('0'))
                    .arg(second, 2, 10, QLatin1Char('0'));
    return text;
}

}  // namespace quill
