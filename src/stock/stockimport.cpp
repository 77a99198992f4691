#include "stock/stockimport.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "data/database.h"
#include "stock/pinyin.h"
#include "stock/workbookreader.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <optional>

namespace stockimport {

namespace {

enum class ValueKind { Text, Number, Date };

struct Target {
    const char *sheetColumn;
    const char *stockColumn;
    ValueKind kind;
    const char *caption;
};

constexpr std::array<Target, 17> kTargets{{
    {"a", "a", ValueKind::Text, "名称"},
    {"b", "b", ValueKind::Text, "规格型号"},
    {"c", "c", ValueKind::Text, "编码"},
    {"d", "d", ValueKind::Text, "类别"},
    {"e", "e", ValueKind::Text, "名称拼音"},
    {"f", "f", ValueKind::Text, "型号拼音"},
    {"g", "g", ValueKind::Text, "供货商"},
    {"a1", "1", ValueKind::Number, "进货单价"},
    {"a2", "2", ValueKind::Number, "进货数量"},
    {"a3", "3", ValueKind::Number, "进货金额"},
    {"a4", "4", ValueKind::Number, "销售单价"},
    {"a5", "5", ValueKind::Number, "销售数量"},
    {"a6", "6", ValueKind::Number, "销售金额"},
    {"a7", "7", ValueKind::Number, "库存数量"},
    {"a8", "8", ValueKind::Number, "库存金额"},
    {"z", "z", ValueKind::Text, "备注"},
    {"day1", "day1", ValueKind::Date, "入库日期"},
}};
constexpr size_t kName = 0, kModel = 1, kNameInitials = 4, kModelInitials = 5;

using Columns = std::array<size_t, kTargets.size()>;

// Where each worksheet column stands, from the names in the first row (letter case and
// surrounding blanks ignored; other columns are passed over).
Columns locateColumns(const QString &sheetName, const SheetRow &header)
{
    Columns at;
    at.fill(SIZE_MAX);
    for (size_t c = 0; c < header.size(); ++c) {
        const SheetCell &cell = header[c];
        if (cell.kind != SheetCell::Kind::Text)
            continue;
        const QString name = cell.text.trimmed();
        for (size_t k = 0; k < kTargets.size(); ++k) {
            if (name.compare(QLatin1String(kTargets[k].sheetColumn), Qt::CaseInsensitive) != 0)
                continue;
            if (at[k] != SIZE_MAX)
                throw WorkbookError(QStringLiteral("工作表 %1 的列名 %2 出现了两次（%3 列和 %4 列）")
                                        .arg(sheetName, QLatin1String(kTargets[k].sheetColumn),
                                             columnLetters(int(at[k])), columnLetters(int(c))));
            at[k] = c;
        }
    }
    QStringList missing;
    for (size_t k = 0; k < kTargets.size(); ++k) {
        if (at[k] == SIZE_MAX)
            missing << QLatin1String(kTargets[k].sheetColumn);
    }
    if (!missing.isEmpty())
        throw WorkbookError(QStringLiteral("工作表 %1 缺少列：%2（第一行应是列名 %3）")
                                .arg(sheetName, missing.join(QStringLiteral("、")), sheetColumns().join(QLatin1Char(' '))));
    return at;
}

// Names the cell a refused value came from: "工作表 pemrod 第 12 行 H 列（a1 进货单价）：".
QString cellName(const QString &sheetName, size_t row, size_t column, const Target &target)
{
    return QStringLiteral("工作表 %1 第 %2 行 %3 列（%4 %5）：")
        .arg(sheetName)
        .arg(row + 1)
        .arg(columnLetters(int(column)), QLatin1String(target.sheetColumn), QString::fromUtf8(target.caption));
}

// A date written as text: 2014-07-29, 2014/7/29, 2014.7.29 or 2014年7月29日, a time after it
// allowed.
std::optional<QDate> dateOfText(const QString &text)
{
    // The usual form first, without the pattern: "2014-07-29".
    if (text.size() == 10) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (date.isValid())
            return date;
    }
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})(?:[-/.](\d{1,2})[-/.](\d{1,2})|年(\d{1,2})月(\d{1,2})日)(?:[ T]\d{1,2}:\d{2}(?::\d{2}(?:\.\d+)?)?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const bool chinese = m.capturedLength(4) > 0;
    const QDate date(m.captured(1).toInt(), m.captured(chinese ? 4 : 2).toInt(), m.captured(chinese ? 5 : 3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// A date serial number of the workbook (days since its day 0; a fraction is the time of day).
std::optional<QDate> dateOfSerial(double serial, const QDate &origin)
{
    constexpr double kLastSerial = 2958465; // 9999-12-31
    if (!(serial >= 1 && serial <= kLastSerial))
        return std::nullopt;
    return origin.addDays(static_cast<qint64>(std::floor(serial)));
}

QVariant textValue(const SheetCell &cell)
{
    switch (cell.kind) {
    case SheetCell::Kind::Number:
        return numbertext::general(cell.number);
    case SheetCell::Kind::Text:
    case SheetCell::Kind::Date:
        return cell.text;
    case SheetCell::Kind::Empty:
        break;
    }
    return {};
}

QVariant numberValue(const SheetCell &cell)
{
    switch (cell.kind) {
    case SheetCell::Kind::Number:
        return cell.number;
    case SheetCell::Kind::Text:
        return numbertext::parse(cell.text);
    case SheetCell::Kind::Date:
        throw ConversionError(QStringLiteral("'%1' 是日期，不是数值").arg(cell.text));
    case SheetCell::Kind::Empty:
        break;
    }
    return {};
}

QVariant dateValue(const SheetCell &cell, const QDate &origin)
{
    std::optional<QDate> date;
    switch (cell.kind) {
    case SheetCell::Kind::Empty:
        return {};
    case SheetCell::Kind::Number:
        date = dateOfSerial(cell.number, origin);
        if (!date)
            throw ConversionError(QStringLiteral("'%1' 不是有效的日期").arg(numbertext::general(cell.number)));
        break;
    case SheetCell::Kind::Text:
    case SheetCell::Kind::Date:
        date = dateOfText(cell.text);
        if (!date)
            throw ConversionError(QStringLiteral("'%1' 不是有效的日期").arg(cell.text));
        break;
    }
    return date->toString(Qt::ISODate);
}

QVariant valueOf(const SheetCell &cell, ValueKind kind, const QDate &dateOrigin)
{
    switch (kind) {
    case ValueKind::Text:
        return textValue(cell);
    case ValueKind::Number:
        return numberValue(cell);
    case ValueKind::Date:
        return dateValue(cell, dateOrigin);
    }
    return {};
}

bool holdsText(const QVariant &value)
{
    return !value.isNull() && !isBlank(value.toString());
}

const SheetCell &cellAt(const SheetRow &cells, size_t column)
{
    static const SheetCell empty;
    return column < cells.size() ? cells[column] : empty;
}

bool rowHoldsSomething(const SheetRow &cells, const Columns &at)
{
    for (size_t column : at) {
        if (!cellAt(cells, column).isEmpty())
            return true;
    }
    return false;
}

QString insertStatement()
{
    QStringList columns, marks;
    for (const Target &target : kTargets) {
        columns << QStringLiteral("[%1]").arg(QLatin1String(target.stockColumn));
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO data (%1) VALUES (%2)")
        .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

// Appends each row it receives as a stock row: the first row names the columns, every further row
// that holds something is converted and inserted at once.
class StockRowWriter : public SheetReceiver {
public:
    explicit StockRowWriter(Database &db) : m_insert(db, insertStatement()), m_values(qsizetype(kTargets.size())) {}

    void begin(const QString &sheetName, const QDate &dateOrigin) override
    {
        m_sheetName = sheetName;
        m_dateOrigin = dateOrigin;
    }
    void row(size_t index, const SheetRow &cells) override
    {
        if (!m_columns) {
            // A worksheet whose first row is empty has no column names.
            m_columns = locateColumns(m_sheetName, index == 0 ? cells : SheetRow());
            if (index == 0)
                return;
        }
        if (!rowHoldsSomething(cells, *m_columns))
            return;
        convert(index, cells);
        m_insert.run(m_values);
        ++m_written;
    }
    // After the last row: a worksheet without column names or without data rows is refused.
    void finish()
    {
        if (!m_columns)
            throw WorkbookError(QStringLiteral("工作表 %1 是空的：第一行应是列名 %2")
                                    .arg(m_sheetName, sheetColumns().join(QLatin1Char(' '))));
        if (m_written == 0)
            throw WorkbookError(
                QStringLiteral("工作表 %1 中没有可导入的数据：第一行的列名下面没有数据行").arg(m_sheetName));
    }
    int written() const { return m_written; }

private:
    // The values of one row in the order of kTargets; empty initials are made from the name or
    // the model.
    void convert(size_t index, const SheetRow &cells)
    {
        const Columns &at = *m_columns;
        for (size_t k = 0; k < kTargets.size(); ++k) {
            const Target &target = kTargets[k];
            const SheetCell &cell = cellAt(cells, at[k]);
            try {
                m_values[qsizetype(k)] = cell.isEmpty() ? QVariant() : valueOf(cell, target.kind, m_dateOrigin);
            } catch (const ConversionError &e) {
                throw ConversionError(cellName(m_sheetName, index, at[k], target) + e.text());
            }
        }
        for (auto [initials, of] : {std::pair{kNameInitials, kName}, std::pair{kModelInitials, kModel}}) {
            if (!holdsText(m_values[qsizetype(initials)]) && holdsText(m_values[qsizetype(of)]))
                m_values[qsizetype(initials)] = QString::fromLatin1(pinyinInitials(m_values[qsizetype(of)].toString()));
        }
    }

    RepeatedStatement m_insert;
    QVariantList m_values;
    QString m_sheetName;
    QDate m_dateOrigin = QDate(1899, 12, 30);
    std::optional<Columns> m_columns;
    int m_written = 0;
};

} // namespace

QStringList sheetColumns()
{
    QStringList names;
    for (const Target &target : kTargets)
        names << QLatin1String(target.sheetColumn);
    return names;
}

QString columnLetters(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

int appendRows(Database &db, const std::function<void(SheetReceiver &)> &read)
{
    StockRowWriter writer(db);
    inTransaction(db, [&] {
        read(writer);
        writer.finish();
    });
    return writer.written();
}

} // namespace stockimport
