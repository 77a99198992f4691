// Office Open XML workbooks (.xlsx), read as a stream: the zip entries are inflated piece by piece
// and their XML parsed as it comes, so only the workbook's strings and the row being read are held,
// never a part as a whole.

#include "stock/workbookformats.h"

#include "workbooks/xmlstream.h"
#include "workbooks/ziparchive.h"

#include <QRegularExpression>
#include <QTime>

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>

namespace workbook {

namespace {

// The most a part of the workbook may inflate to: four times what a full sheet of the import
// (a million rows of its 17 columns, about 550 bytes each) takes. A zip bomb stops here.
constexpr uint64_t kMaxPartBytes = 2ull << 30;
// A cell's text in UTF-8 takes at most three bytes for each of its UTF-16 characters.
constexpr size_t kMaxCellBytes = size_t(kMaxCellCharacters) * 3;

// The file does not hold what an Office Open XML workbook holds; `why` says what is wrong.
struct NotOoxml {
    QString why;
};

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Appends the text of an element to `to`; a text too long for a cell is refused as it grows.
void collect(std::string &to, std::string_view text)
{
    if (to.size() + text.size() > kMaxCellBytes)
        throw cellBeyondLimit();
    to.append(text);
}

QString cellText(const std::string &bytes)
{
    QString text = fromUtf8(bytes);
    if (text.size() > kMaxCellCharacters)
        throw cellBeyondLimit();
    return text;
}

// Parses a part as it inflates; `fraction` hears how far through its compressed bytes that is.
void parsePart(const ZipArchive &zip, const ZipArchive::Entry &entry, XmlStream::Handler &handler,
               const std::function<void(double)> &fraction = {})
{
    try {
        XmlStream xml(handler);
        zip.read(entry, [&](std::string_view bytes, double through) {
            if (fraction)
                fraction(through);
            xml.feed(bytes);
        }, kMaxPartBytes);
        xml.feed({}, true);
    } catch (const XmlStream::Broken &e) {
        throw NotOoxml{QStringLiteral("%1 %2").arg(QString::fromUtf8(entry.name), e.why())};
    }
}

// Parses the part of that name; false when the workbook has none.
bool readPart(const ZipArchive &zip, const QByteArray &name, XmlStream::Handler &handler)
{
    const ZipArchive::Entry *entry = zip.find(name.toStdString());
    if (entry)
        parsePart(zip, *entry, handler);
    return entry != nullptr;
}

// The name of a part a relationship of `source` points to: relative to the folder of `source`
// ("worksheets/sheet1.xml" from "xl/workbook.xml"), or from the package's root ("/xl/…").
QByteArray partName(const QByteArray &source, QByteArray target)
{
    QList<QByteArray> parts;
    if (target.startsWith('/'))
        target.remove(0, 1);
    else
        parts = source.split('/').mid(0, source.count('/'));
    for (const QByteArray &step : target.split('/')) {
        if (step == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (!step.isEmpty() && step != ".") {
            parts << step;
        }
    }
    return parts.join('/');
}

// The relationships part of `source`: "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
QByteArray relationsOf(const QByteArray &source)
{
    const qsizetype slash = source.lastIndexOf('/');
    return source.left(slash + 1) + "_rels/" + source.mid(slash + 1) + ".rels";
}

struct Relationship {
    QByteArray type; // the last word of its type: "officeDocument", "worksheet", "sharedStrings" …
    QByteArray target;
};

// Relationship id -> the relationship.
class Relationships : public XmlStream::Handler {
public:
    std::map<QByteArray, Relationship> byId;

    void start(std::string_view name, const char **attributes) override
    {
        if (name != "Relationship")
            return;
        const char *id = XmlStream::attribute(attributes, "Id");
        const char *type = XmlStream::attribute(attributes, "Type");
        const char *target = XmlStream::attribute(attributes, "Target");
        if (!id || !type || !target)
            return;
        QByteArray kind(type);
        kind = kind.mid(kind.lastIndexOf('/') + 1);
        byId.emplace(QByteArray(id), Relationship{kind, QByteArray(target)});
    }
    void end(std::string_view) override {}
    void text(std::string_view) override {}

    // The target of the first relationship of that type.
    QByteArray targetOf(const QByteArray &type) const
    {
        for (const auto &[id, relationship] : byId) {
            if (relationship.type == type)
                return relationship.target;
        }
        return {};
    }
};

// The worksheets the workbook lists, in order, and its date system.
class WorkbookPart : public XmlStream::Handler {
public:
    struct Sheet {
        QString name;
        QByteArray relationship;
    };
    std::vector<Sheet> sheets;
    QDate dateOrigin = QDate(1899, 12, 30);

    void start(std::string_view name, const char **attributes) override
    {
        if (name == "sheet") {
            const char *sheetName = XmlStream::attribute(attributes, "name");
            const char *id = XmlStream::attribute(attributes, "id");
            if (sheetName)
                sheets.push_back({QString::fromUtf8(sheetName), QByteArray(id ? id : "")});
        } else if (name == "workbookPr") {
            const char *date1904 = XmlStream::attribute(attributes, "date1904");
            if (date1904 && (std::strcmp(date1904, "1") == 0 || std::strcmp(date1904, "true") == 0))
                dateOrigin = QDate(1904, 1, 1);
        }
    }
    void end(std::string_view) override {}
    void text(std::string_view) override {}
};

// The workbook's strings, which cells refer to by index. The text of all runs of a string is
// kept, without their formats and without the phonetic guides (<rPh>) over it.
class SharedStrings : public XmlStream::Handler {
public:
    // The string at `index`; null when there is none. A string too long for a cell is refused
    // when a cell of the sheet uses it, not before.
    const QString *at(size_t index) const
    {
        if (index >= m_strings.size())
            return nullptr;
        if (!m_tooLong.empty() && m_tooLong.count(index))
            throw cellBeyondLimit();
        return &m_strings[index];
    }

    void start(std::string_view name, const char **) override
    {
        if (name == "si") {
            m_text.clear();
            m_inItem = true;
            m_overLimit = false;
        } else if (name == "t") {
            m_inText = m_inItem && m_phonetic == 0;
        } else if (name == "rPh") {
            ++m_phonetic;
        }
    }
    void end(std::string_view name) override
    {
        if (name == "t") {
            m_inText = false;
        } else if (name == "rPh") {
            --m_phonetic;
        } else if (name == "si" && m_inItem) {
            m_inItem = false;
            if (m_overLimit || fromUtf8(m_text).size() > kMaxCellCharacters) {
                m_tooLong.insert(m_strings.size());
                m_strings.emplace_back();
            } else {
                m_strings.push_back(fromUtf8(m_text));
            }
        }
    }
    void text(std::string_view text) override
    {
        if (!m_inText || m_overLimit)
            return;
        if (m_text.size() + text.size() > kMaxCellBytes)
            m_overLimit = true;
        else
            m_text.append(text);
    }

private:
    std::vector<QString> m_strings;
    std::unordered_set<size_t> m_tooLong;
    std::string m_text;
    bool m_inItem = false, m_inText = false, m_overLimit = false;
    int m_phonetic = 0;
};

// A whole number written in decimal digits, or nothing.
std::optional<long> wholeNumber(std::string_view text)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A number as a cell's value holds it: decimal, with a sign, a point and an exponent allowed.
std::optional<double> numberOf(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                              std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A truth value: 1 or 0 (true or false allowed).
std::optional<double> truthOf(std::string_view text)
{
    text = trimmed(text);
    if (text == "1" || text == "true")
        return 1;
    if (text == "0" || text == "false")
        return 0;
    return std::nullopt;
}

// A date written in ISO 8601 ("2014-07-29", "2014-07-29T10:11:12", a fraction of a second and a
// time zone allowed) as a date cell holds it: "2014-07-29", with " 10:11:12" when it has a time.
std::optional<QString> isoDateOf(std::string_view text)
{
    const QString written = fromUtf8(trimmed(text));
    const QDate date = QDate::fromString(written.left(10), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    QString shown = date.toString(Qt::ISODate);
    if (written.size() == 10)
        return shown;
    if (written[10] != QLatin1Char('T'))
        return std::nullopt;
    static const QRegularExpression time(QStringLiteral(R"(^(\d\d):(\d\d)(?::(\d\d)(?:\.\d+)?)?(?:Z|[+-]\d\d:\d\d)?$)"));
    const QRegularExpressionMatch m = time.match(QStringView(written).mid(11));
    if (!m.hasMatch() || !QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid())
        return std::nullopt;
    if (m.captured(1).toInt() || m.captured(2).toInt() || m.captured(3).toInt())
        shown += QStringLiteral(" %1:%2:%3").arg(m.captured(1), m.captured(2),
                                                 m.capturedLength(3) ? m.captured(3) : QStringLiteral("00"));
    return shown;
}

// Reads the cells of a worksheet part as it streams by and hands over its rows, one whole row at
// a time, in the order the part holds them.
class SheetPart : public XmlStream::Handler {
public:
    SheetPart(SheetReceiver &receiver, const SharedStrings &strings, const ReadProgress &progress)
        : m_receiver(receiver), m_strings(strings), m_ticker(progress)
    {
    }

    void setFraction(double fraction) { m_fraction = fraction; }
    // After the part's end: the last row.
    void finish() { flush(); }

    void start(std::string_view name, const char **attributes) override
    {
        if (!m_inSheetData) {
            m_inSheetData = name == "sheetData";
            return;
        }
        if (name == "c") {
            startCell(attributes);
        } else if (name == "v") {
            m_collecting = m_inCell ? &m_value : nullptr;
        } else if (name == "t") {
            m_collecting = m_inInlineString && m_phonetic == 0 ? &m_inline : nullptr;
        } else if (name == "is") {
            m_inInlineString = m_inCell;
        } else if (name == "rPh") {
            ++m_phonetic;
        } else if (name == "row") {
            const char *r = XmlStream::attribute(attributes, "r");
            if (r) {
                const std::optional<long> number = wholeNumber(r);
                if (!number || *number < 1)
                    throw NotOoxml{QStringLiteral("行号 %1 不对").arg(QString::fromUtf8(r))};
                m_rowAt = *number - 1;
            } else {
                ++m_rowAt;
            }
            m_columnAt = -1;
        }
    }
    void end(std::string_view name) override
    {
        if (!m_inSheetData)
            return;
        if (name == "v" || name == "t") {
            m_collecting = nullptr;
        } else if (name == "c") {
            endCell();
        } else if (name == "is") {
            m_inInlineString = false;
        } else if (name == "rPh") {
            --m_phonetic;
        } else if (name == "sheetData") {
            m_inSheetData = false;
        }
    }
    void text(std::string_view text) override
    {
        if (m_collecting)
            collect(*m_collecting, text);
    }

private:
    enum class Type { Number, Shared, FormulaText, Inline, Boolean, Error, IsoDate };

    static Type typeOf(const char *t)
    {
        if (!t || std::strcmp(t, "n") == 0)
            return Type::Number;
        static const std::pair<const char *, Type> kTypes[] = {{"s", Type::Shared},         {"str", Type::FormulaText},
                                                               {"inlineStr", Type::Inline}, {"b", Type::Boolean},
                                                               {"e", Type::Error},          {"d", Type::IsoDate}};
        for (const auto &[name, type] : kTypes) {
            if (std::strcmp(t, name) == 0)
                return type;
        }
        throw NotOoxml{QStringLiteral("单元格类型 %1 不对").arg(QString::fromUtf8(t))};
    }

    void startCell(const char **attributes)
    {
        m_inCell = true;
        m_value.clear();
        m_inline.clear();
        if (m_rowAt < 0)
            throw NotOoxml{QStringLiteral("单元格不在行中")};
        // The two attributes that matter, found in one pass (a cell is read a million times).
        const char *r = nullptr;
        const char *t = nullptr;
        for (const char **a = attributes; *a; a += 2) {
            const std::string_view name = XmlStream::localName(*a);
            if (name == "r")
                r = a[1];
            else if (name == "t")
                t = a[1];
        }
        m_type = typeOf(t);
        if (!r) {
            ++m_columnAt;
            return;
        }
        const auto at = cellAddress(r);
        if (!at)
            throw NotOoxml{QStringLiteral("单元格地址 %1 不对").arg(QString::fromUtf8(r))};
        if (at->second != m_rowAt)
            throw NotOoxml{QStringLiteral("单元格 %1 不在它所在的第 %2 行").arg(QString::fromUtf8(r)).arg(m_rowAt + 1)};
        m_columnAt = at->first;
    }

    void endCell()
    {
        m_inCell = false;
        m_collecting = nullptr;
        std::optional<SheetCell> cell;
        switch (m_type) {
        case Type::Number:
            if (!m_value.empty()) {
                const std::optional<double> number = numberOf(m_value);
                if (!number)
                    throw NotOoxml{QStringLiteral("单元格 %1 的数值 %2 不对").arg(here(), fromUtf8(m_value))};
                cell = SheetCell::ofNumber(*number);
            }
            break;
        case Type::Boolean:
            if (!m_value.empty()) {
                const std::optional<double> truth = truthOf(m_value);
                if (!truth)
                    throw NotOoxml{QStringLiteral("单元格 %1 的逻辑值 %2 不对").arg(here(), fromUtf8(m_value))};
                cell = SheetCell::ofNumber(*truth);
            }
            break;
        case Type::Shared:
            if (!m_value.empty()) {
                const std::optional<long> index = wholeNumber(m_value);
                const QString *text = index && *index >= 0 ? m_strings.at(size_t(*index)) : nullptr;
                if (!text)
                    throw NotOoxml{QStringLiteral("单元格 %1 引用的共享字符串 %2 不存在").arg(here(), fromUtf8(m_value))};
                if (!text->isEmpty())
                    cell = SheetCell::ofText(*text);
            }
            break;
        case Type::FormulaText:
            if (!m_value.empty())
                cell = SheetCell::ofText(cellText(m_value));
            break;
        case Type::IsoDate:
            if (!m_value.empty()) {
                const std::optional<QString> date = isoDateOf(m_value);
                if (!date)
                    throw NotOoxml{QStringLiteral("单元格 %1 的日期 %2 不对").arg(here(), fromUtf8(m_value))};
                cell = SheetCell::ofDate(*date);
            }
            break;
        case Type::Inline:
            if (!m_inline.empty())
                cell = SheetCell::ofText(cellText(m_inline));
            break;
        case Type::Error:
            break;
        }
        if (cell)
            put(std::move(*cell));
    }

    // The cell being read, as the workbook names it ("B12").
    QString here() const
    {
        QString letters;
        for (long n = m_columnAt + 1; n > 0; n = (n - 1) / 26)
            letters.prepend(QChar(char16_t(u'A' + (n - 1) % 26)));
        return letters + QString::number(m_rowAt + 1);
    }

    void put(SheetCell cell)
    {
        if (m_rowAt != m_row) {
            flush();
            m_row = m_rowAt;
            m_ticker.row(int(std::min<long>(m_row, std::numeric_limits<int>::max())),
                         [this] { return int(m_fraction * 100); });
        }
        if (m_columnAt < 0 || size_t(m_columnAt) >= kMaxSheetColumns)
            throw columnsBeyondLimit();
        setCell(m_cells, size_t(m_columnAt), std::move(cell));
    }

    void flush()
    {
        if (m_cells.empty())
            return;
        if (m_row < 0 || size_t(m_row) >= kMaxSheetRows)
            throw rowsBeyondLimit();
        m_receiver.row(size_t(m_row), m_cells);
        m_cells.clear();
    }

    SheetReceiver &m_receiver;
    const SharedStrings &m_strings;
    RowTicker m_ticker;
    double m_fraction = 0;
    bool m_inSheetData = false, m_inCell = false, m_inInlineString = false;
    int m_phonetic = 0;
    long m_rowAt = -1;    // the row being read
    long m_columnAt = -1; // the cell being read
    Type m_type = Type::Number;
    std::string m_value, m_inline;
    std::string *m_collecting = nullptr;
    long m_row = -1; // the row being collected
    SheetRow m_cells;
};

void read(const QByteArray &content, const QString &sheetName, SheetReceiver &receiver, const ReadProgress &progress)
{
    const ZipArchive zip(content);
    Relationships package;
    readPart(zip, "_rels/.rels", package);
    QByteArray workbookName = partName({}, package.targetOf("officeDocument"));
    if (workbookName.isEmpty())
        workbookName = "xl/workbook.xml";
    WorkbookPart workbook;
    if (!readPart(zip, workbookName, workbook))
        throw NotOoxml{QStringLiteral("缺少 %1").arg(QString::fromUtf8(workbookName))};
    Relationships relations;
    readPart(zip, relationsOf(workbookName), relations);

    const WorkbookPart::Sheet *wanted = nullptr;
    QStringList names;
    for (const WorkbookPart::Sheet &sheet : workbook.sheets) {
        names << sheet.name;
        if (!wanted && sameSheetName(sheet.name, sheetName))
            wanted = &sheet;
    }
    if (!wanted)
        throw noSuchSheet(sheetName, names);
    const auto relationship = relations.byId.find(wanted->relationship);
    if (relationship == relations.byId.end())
        throw NotOoxml{QStringLiteral("找不到工作表 %1 的内容").arg(wanted->name)};
    const QByteArray sheetPart = partName(workbookName, relationship->second.target);
    const ZipArchive::Entry *sheetEntry = zip.find(sheetPart.toStdString());
    if (!sheetEntry)
        throw NotOoxml{QStringLiteral("缺少 %1").arg(QString::fromUtf8(sheetPart))};

    receiver.begin(wanted->name, workbook.dateOrigin);
    SharedStrings strings;
    if (const QByteArray target = relations.targetOf("sharedStrings"); !target.isEmpty())
        readPart(zip, partName(workbookName, target), strings);

    SheetPart sheet(receiver, strings, progress);
    parsePart(zip, *sheetEntry, sheet, [&](double fraction) { sheet.setFraction(fraction); });
    sheet.finish();
}

} // namespace

void readXlsx(const QString &path, const QByteArray &content, const QString &sheetName, SheetReceiver &receiver,
              const ReadProgress &progress)
{
    auto notOoxml = [&](const QString &why) {
        return damaged(path, QStringLiteral("内容不符合 Excel 工作簿（.xlsx）的格式：%1").arg(why));
    };
    try {
        read(content, sheetName, receiver, progress);
    } catch (const ZipArchive::Broken &e) {
        throw notOoxml(e.why());
    } catch (const NotOoxml &e) {
        throw notOoxml(e.why);
    }
}

} // namespace workbook
