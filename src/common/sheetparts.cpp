#include "common/sheetparts.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace quill {

bool SheetBuilder::Fits(int row, int column) const {
    return qint64(std::max(row, maxRow_) + 1) * (std::max(column, maxColumn_) + 1) <=
           kMaxWorkbookCells;
}

bool SheetBuilder::Put(int row, int column, const QString& text) {
    if (row < 0 || column < 0 || row >= kMaxSheetRows || column >= kMaxSheetColumns) return true;
    if (text.isEmpty()) {
        cells_.remove(Key(row, column));
        return true;
    }
    if (!Fits(row, column)) return false;
    cells_.insert(Key(row, column), text);
    maxRow_ = std::max(maxRow_, row);
    maxColumn_ = std::max(maxColumn_, column);
    return true;
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

namespace {

// One unpacked part of a zip package, read as it is unpacked.
class ZipPartDevice final : public QIODevice {
  public:
    explicit ZipPartDevice(zip_file_t* file) : file_(file) { open(QIODevice::ReadOnly); }
    ~ZipPartDevice() override { zip_fclose(file_); }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (read_ >= kMaxPartBytes) {
            char more = 0;
            if (zip_fread(file_, &more, 1) != 0) {
                setErrorString(QStringLiteral("a part is too large"));
                return -1;
            }
            return 0;
        }
        const zip_int64_t n =
            zip_fread(file_, data, zip_uint64_t(std::min(maxSize, kMaxPartBytes - read_)));
        if (n < 0) {
            setErrorString(QString::fromUtf8(zip_file_strerror(file_)));
            return -1;
        }
        read_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    zip_file_t* file_;
    qint64 read_ = 0;
};

}  // namespace

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
    }
}

ZipPackage::~ZipPackage() {
    if (zip_) zip_discard(zip_);
}

std::unique_ptr<QIODevice> ZipPackage::Open(const QString& name) const {
    if (!zip_) return nullptr;
    const zip_int64_t index = zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) return nullptr;
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) return nullptr;
    return std::make_unique<ZipPartDevice>(file);
}

QStringList ZipPackage::Names() const {
    QStringList names;
    const zip_int64_t count = zip_ ? zip_get_num_entries(zip_, 0) : 0;
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(zip_, zip_uint64_t(i), 0))
            names.append(QString::fromUtf8(name));
    return names;
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
