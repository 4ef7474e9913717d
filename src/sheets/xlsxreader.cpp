// The .xlsx reader: the package's parts through libzip, their XML through
// QXmlStreamReader. Part names are followed whether the package gives them
// relative to the referring part (office suites) or from the package root
// (Python's writers), and text cells may be shared or inline strings.
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

#include "sheets/sheetparts.h"

namespace quill {

namespace {

// How a cell format shows a number.
enum class NumberKind { Number, Date, Time };

struct Relationship {
    QString type;
    QString part;
};

struct XlsxError {
    QString reason;
};

QString FolderOf(const QString& part) {
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// The part a relationship target names: from the package root when it
// starts with "/", else from the folder of the part that refers to it.
QString ResolveTarget(const QString& sourcePart, const QString& target) {
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    QString path = decoded.startsWith(QLatin1Char('/')) ? decoded : FolderOf(sourcePart) + decoded;
    path = QDir::cleanPath(QLatin1Char('/') + path);
    return path.mid(1);
}

bool HasType(const Relationship& rel, QStringView kind) {
    return rel.type.endsWith(QLatin1Char('/') + kind.toString());
}

// Text with Excel's escapes of characters XML cannot carry ("_x000D_").
QString Unescape(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x') &&
            text[i + 6] == QLatin1Char('_')) {
            const QString hex = text.mid(i + 2, 4);
            if (std::all_of(hex.cbegin(), hex.cend(), [](QChar c) {
                    return c.isDigit() ||
                           (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
                })) {
                out += QChar(char16_t(hex.toUShort(nullptr, 16)));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// One XML part, read as a stream; throws XlsxError on a missing or damaged
// part, SheetLimit on one past the limits of ZipPart.
class Part {
  public:
    Part(const ZipPackage& package, const QString& name, bool required = true)
        : device_(package.Open(name)), name_(name) {
        if (!device_ && required)
            throw XlsxError{QStringLiteral("its part %1 is missing").arg(name)};
        if (device_) xml.setDevice(device_.get());
    }
    bool Exists() const { return device_ != nullptr; }
    // Throws when the XML ended in an error.
    void Check() const {
        if (!device_->Limit().isEmpty()) throw SheetLimit{device_->Limit()};
        if (!xml.hasError()) return;
        QString why = device_->errorString();
        if (why.isEmpty() || why == QLatin1String("Unknown error")) why = xml.errorString();
        if (why.endsWith(QLatin1Char('.'))) why.chop(1);
        throw XlsxError{QStringLiteral("%1 in its part %2").arg(why, name_)};
    }

  private:
    std::unique_ptr<ZipPart> device_;
    QString name_;

  public:
    QXmlStreamReader xml;
};

// The relationships of a part (its "_rels/<name>.rels" part), by id.
QHash<QString, Relationship> ReadRelationships(const ZipPackage& package, const QString& source) {
    const QString relsName = FolderOf(source) + QStringLiteral("_rels/") +
                             source.mid(source.lastIndexOf(QLatin1Char('/')) + 1) +
                             QStringLiteral(".rels");
    QHash<QString, Relationship> rels;
    Part part(package, relsName, false);
    if (!part.Exists()) return rels;
    while (!part.xml.atEnd()) {
        if (part.xml.readNext() != QXmlStreamReader::StartElement ||
            part.xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes a = part.xml.attributes();
        if (a.value(QLatin1String("TargetMode")) == QLatin1String("External")) continue;
        rels.insert(a.value(QLatin1String("Id")).toString(),
                    {a.value(QLatin1String("Type")).toString(),
                     ResolveTarget(source, a.value(QLatin1String("Target")).toString())});
    }
    part.Check();
    return rels;
}

// The text of a rich or plain string (<si>, <is>), without phonetic runs;
// the reader stands on its start and ends on its end.
QString ReadStringItem(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("t")) {
                text += xml.readElementText(QXmlStreamReader::SkipChildElements);
                // An escape ("_x0041_") takes seven characters for one.
                if (text.size() > 7 * qsizetype(kMaxCellChars))
                    throw SheetLimit{CellTooLongReason()};
            } else if (xml.name() == QLatin1String("rPh"))
                xml.skipCurrentElement();
            else
                ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return Unescape(text);
}

QStringList ReadSharedStrings(const ZipPackage& package, const QString& name) {
    QStringList strings;
    Part part(package, name);
    while (!part.xml.atEnd()) {
        if (part.xml.readNext() == QXmlStreamReader::StartElement &&
            part.xml.name() == QLatin1String("si"))
            strings.append(ReadStringItem(part.xml));
    }
    part.Check();
    return strings;
}

NumberKind KindOfFormatCode(const QString& code) {
    bool date = false, time = false, month = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (c == QLatin1Char('"')) {
            i = code.indexOf(QLatin1Char('"'), i + 1);
            if (i < 0) break;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;  // the next character is shown as it is
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i);
            if (end < 0) break;
            const QString inner = code.mid(i + 1, end - i - 1).toLower();
            // Elapsed time ([h], [mm], [ss]); colours, conditions and locales
            // show no date.
            if (!inner.isEmpty() && std::all_of(inner.cbegin(), inner.cend(), [](QChar x) {
                    return x == QLatin1Char('h') || x == QLatin1Char('m') || x == QLatin1Char('s');
                }))
                time = true;
            i = end;
        } else if (c == QLatin1Char('y') || c == QLatin1Char('d')) {
            date = true;
        } else if (c == QLatin1Char('h') || c == QLatin1Char('s')) {
            time = true;
        } else if (c == QLatin1Char('m')) {
            month = true;
        }
    }
    if (date) return NumberKind::Date;
    if (time) return NumberKind::Time;
    return month ? NumberKind::Date : NumberKind::Number;
}

// Excel's built-in number formats that show dates or times.
NumberKind KindOfBuiltInFormat(int id) {
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return NumberKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47)) return NumberKind::Time;
    return NumberKind::Number;
}

// How each cell format (by index) shows numbers.
QVector<NumberKind> ReadNumberKinds(const ZipPackage& package, const QString& name) {
    QHash<int, QString> codes;
    QVector<NumberKind> kinds;
    Part part(package, name);
    QXmlStreamReader& xml = part.xml;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("numFmt")) {
            const QXmlStreamAttributes a = xml.attributes();
            codes.insert(a.value(QLatin1String("numFmtId")).toInt(),
                         a.value(QLatin1String("formatCode")).toString());
        } else if (xml.name() == QLatin1String("cellXfs")) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("xf")) {
                    const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                    const auto code = codes.constFind(id);
                    kinds.append(code != codes.cend() ? KindOfFormatCode(*code)
                                                      : KindOfBuiltInFormat(id));
                }
                xml.skipCurrentElement();
            }
        }
    }
    part.Check();
    return kinds;
}

// A date serial number as text, in the 1900 date system (with its
// 29 February 1900) or the 1904 one.
QString SerialText(double serial, NumberKind kind, bool date1904) {
    if (!(serial >= 0 && serial < 2958466)) return FormatCellNumber(serial);  // past 9999-12-31
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = std::llround((serial - double(days)) * 86400);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    const int hour = int(seconds / 3600);
    const int minute = int(seconds / 60 % 60);
    const int second = int(seconds % 60);
    if (kind == NumberKind::Time)
        return QStringLiteral("%1:%2:%3")
            .arg(hour, 2, 10, QLatin1Char('0'))
            .arg(minute, 2, 10, QLatin1Char('0'))
            .arg(second, 2, 10, QLatin1Char('0'));
    QDate date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(days);
    else if (days == 60)
        return DateTimeText(1900, 2, 29, hour, minute, second);
    else
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
    return DateTimeText(date.year(), date.month(), date.day(), hour, minute, second);
}

// "B12" as a 0-based row and column; false when it is no cell address.
bool ParseCellAddress(QStringView ref, int* row, int* column) {
    qsizetype i = 0;
    qint64 c = 0, r = 0;
    for (; i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128; ++i) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > kMaxSheetColumns) return false;
    }
    const qsizetype digits = i;
    for (; i < ref.size() && ref[i].isDigit() && ref[i].unicode() < 128; ++i) {
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > kMaxSheetRows) return false;
    }
    if (digits == 0 || i == digits || i != ref.size() || r < 1) return false;
    *row = int(r - 1);
    *column = int(c - 1);
    return true;
}

struct Styles {
    QStringList strings;
    QVector<NumberKind> kinds;
    bool date1904 = false;
};

QString CellText(QStringView type, const QString& value, const QString& inlineText, int style,
                 const Styles& styles) {
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        return ok && index >= 0 && index < styles.strings.size() ? styles.strings[index]
                                                                 : QString();
    }
    if (type == QLatin1String("inlineStr")) return inlineText;
    if (type == QLatin1String("str") || type == QLatin1String("e")) return Unescape(value);
    const QString v = value.trimmed();
    if (v.isEmpty()) return QString();  // e.g. a formula whose result was never computed
    if (type == QLatin1String("b"))
        return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
                   ? QStringLiteral("TRUE")
                   : QStringLiteral("FALSE");
    if (type == QLatin1String("d")) {
        const QDateTime t = QDateTime::fromString(v, Qt::ISODate);
        if (!t.isValid()) return v;
        return DateTimeText(t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                            t.time().minute(), t.time().second());
    }
    bool ok = false;
    const double number = v.toDouble(&ok);
    if (!ok) return v;
    const NumberKind kind =
        style >= 0 && style < styles.kinds.size() ? styles.kinds[style] : NumberKind::Number;
    return kind == NumberKind::Number ? FormatCellNumber(number)
                                      : SerialText(number, kind, styles.date1904);
}

// Reads one worksheet part into the sheet.
void ReadWorksheet(const ZipPackage& package, const QString& name, const Styles& styles,
                   SheetBuilder& sheet) {
    Part part(package, name);
    QXmlStreamReader& xml = part.xml;
    int row = -1;
    int column = -1;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("row")) {
            bool ok = false;
            const int r = xml.attributes().value(QLatin1String("r")).toInt(&ok);
            row = std::min(ok && r >= 1 ? r - 1 : row + 1, kMaxSheetRows);
            column = -1;
            continue;
        }
        if (xml.name() != QLatin1String("c")) continue;
        const QXmlStreamAttributes a = xml.attributes();
        int r = 0, c = 0;
        if (ParseCellAddress(a.value(QLatin1String("r")), &r, &c)) {
            row = r;
            column = c;
        } else {
            column = std::min(column + 1, kMaxSheetColumns);
        }
        const QString type = a.value(QLatin1String("t")).toString();
        bool hasStyle = false;
        int style = a.value(QLatin1String("s")).toInt(&hasStyle);
        if (!hasStyle) style = 0;
        QString value, inlineText;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("v"))
                value = xml.readElementText(QXmlStreamReader::SkipChildElements);
            else if (xml.name() == QLatin1String("is"))
                inlineText = ReadStringItem(xml);
            else
                xml.skipCurrentElement();
        }
        sheet.Put(row, column, CellText(type, value, inlineText, style, styles));
    }
    part.Check();
}

}  // namespace

WorkbookResult ReadXlsx(const QString& path) {
    WorkbookResult r;
    r.book.path = path;
    const auto damaged = [&](const QString& reason) {
        r.book.sheets.clear();
        r.error = SheetFail(
            path, QStringLiteral("the file is damaged or not a .xlsx file (%1)").arg(reason));
        return r;
    };
    const ZipPackage package(path);
    if (!package.IsOpen()) return damaged(package.Error());
    try {
        QString workbook;
        for (const Relationship& rel : ReadRelationships(package, QString()))
            if (HasType(rel, u"officeDocument")) workbook = rel.part;
        if (workbook.isEmpty()) return damaged(QStringLiteral("it holds no workbook"));
        const QHash<QString, Relationship> rels = ReadRelationships(package, workbook);

        Styles styles;
        struct SheetRef {
            QString name;
            QString id;
        };
        QList<SheetRef> sheets;
        {
            Part part(package, workbook);
            while (!part.xml.atEnd()) {
                if (part.xml.readNext() != QXmlStreamReader::StartElement) continue;
                const QXmlStreamAttributes a = part.xml.attributes();
                if (part.xml.name() == QLatin1String("workbookPr")) {
                    const auto v = a.value(QLatin1String("date1904"));
                    styles.date1904 = v == QLatin1String("1") || v == QLatin1String("true");
                } else if (part.xml.name() == QLatin1String("sheet")) {
                    SheetRef ref{a.value(QLatin1String("name")).toString(), QString()};
                    for (const QXmlStreamAttribute& attr : a)
                        if (attr.name() == QLatin1String("id") && !attr.namespaceUri().isEmpty())
                            ref.id = attr.value().toString();
                    sheets.append(ref);
                }
            }
            part.Check();
        }
        for (const Relationship& rel : rels) {
            if (HasType(rel, u"sharedStrings"))
                styles.strings = ReadSharedStrings(package, rel.part);
            else if (HasType(rel, u"styles"))
                styles.kinds = ReadNumberKinds(package, rel.part);
        }

        qint64 total = 0;
        for (const SheetRef& ref : sheets) {
            const auto rel = rels.constFind(ref.id);
            if (rel == rels.cend())
                return damaged(QStringLiteral("the sheet \"%1\" has no part").arg(ref.name));
            SheetBuilder sheet;
            // Chart sheets and other kinds hold no cells.
            if (HasType(*rel, u"worksheet")) ReadWorksheet(package, rel->part, styles, sheet);
            total += sheet.Area();
            if (total > kMaxWorkbookCells) throw SheetLimit{TooManyCellsReason()};
            r.book.sheets.append(sheet.Take(ref.name));
        }
    } catch (const XlsxError& e) {
        return damaged(e.reason);
    } catch (const SheetLimit& limit) {
        r.book.sheets.clear();
        r.error = SheetFail(path, limit.reason);
        return r;
    }
    if (r.book.sheets.isEmpty()) {
        r.error = SheetFail(path, QStringLiteral("the file holds no sheet"));
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace quill
