#pragma once

#include <QDate>
#include <QString>

#include <vector>

// True when `text` holds nothing but blanks (checked without making a trimmed copy: the import
// asks this of every cell).
inline bool isBlank(QStringView text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

// One cell of a worksheet as the workbook holds it.
struct SheetCell {
    enum class Kind : unsigned char { Empty, Number, Text, Date };
    Kind kind = Kind::Empty;
    double number = 0; // Number
    QString text;      // Text; Date: "yyyy-MM-dd", with " hh:mm:ss" when the cell holds a time too

    static SheetCell ofNumber(double value) { return {Kind::Number, value, {}}; }
    static SheetCell ofText(QString value) { return {Kind::Text, 0, std::move(value)}; }
    static SheetCell ofDate(QString value) { return {Kind::Date, 0, std::move(value)}; }
    // Nothing in it, or only blanks.
    bool isEmpty() const { return kind == Kind::Empty || (kind == Kind::Text && isBlank(text)); }
};

// The cells of one row from column A; the row ends after its last cell that holds something.
using SheetRow = std::vector<SheetCell>;

// Takes the rows of a worksheet as a reader goes through it, so a large workbook is never held
// in memory as a whole.
class SheetReceiver {
public:
    virtual ~SheetReceiver() = default;
    // The worksheet was found. `dateOrigin` is day 0 of its date serial numbers: 1899-12-30, or
    // 1904-01-01 for workbooks made with the 1904 date system.
    virtual void begin(const QString &sheetName, const QDate &dateOrigin) = 0;
    // One row, in sheet order; `index` 0 is sheet row 1. Rows with nothing in them may be left out.
    virtual void row(size_t index, const SheetRow &cells) = 0;
};

// What a spreadsheet can hold (Excel's limits); a sheet beyond them is refused, never read in part.
constexpr size_t kMaxSheetRows = 1048576;
constexpr size_t kMaxSheetColumns = 16384;
constexpr qsizetype kMaxCellCharacters = 32767;

// The refusal of a row or column beyond the limits, raised by the readers as they go (a count of
// repeated cells is checked before the cells are made).
[[noreturn]] void refuseColumnsBeyondLimit();

// Puts a cell into a row being built, widening the row as needed.
inline void setCell(SheetRow &row, size_t column, SheetCell cell)
{
    if (column >= kMaxSheetColumns)
        refuseColumnsBeyondLimit();
    if (row.size() <= column)
        row.resize(column + 1);
    row[column] = std::move(cell);
}
