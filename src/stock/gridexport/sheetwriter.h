#pragma once

#include <QList>
#include <QString>

// The shape of an exported sheet, told to a writer before its first cell.
struct SheetShape {
    QList<int> columnWidths; // per sheet column, in screen pixels as the grid shows it
    int firstDataRow = 0;    // the rows above it hold the headings and the column titles
    int lastDataRow = -1;    // -1 when there are no data rows
};

// Where the cells of an exported sheet go. Cells come row by row, left to right within a row, so a
// file format can write them as they arrive. What a text cell is for is told, so a format that can
// style its cells tells headings, titles and data apart.
class SheetWriter {
public:
    enum class Role { Heading, ColumnTitle, Data, Footer };

    virtual ~SheetWriter() = default;

    virtual void begin(const SheetShape &shape) { Q_UNUSED(shape); }
    virtual void text(int row, int column, const QString &text, Role role) = 0;
    virtual void number(int row, int column, double value) = 0;
    // A whole number within ±2^29, the range of the legacy integer cell.
    virtual void integer(int row, int column, int value) = 0;
    virtual void empty(int row, int column) = 0;
    // The upper title of a column; `continuesGroup` when the column to its left has the same one.
    virtual void groupTitle(int row, int column, const QString &title, bool continuesGroup)
    {
        Q_UNUSED(continuesGroup);
        text(row, column, title, Role::ColumnTitle);
    }
    // The footer cell under a summed column: the legacy sheet holds an empty text there; a format
    // with formulas may sum the data rows above instead.
    virtual void footerSum(int row, int column, double sum)
    {
        Q_UNUSED(sum);
        text(row, column, QString(), Role::Footer);
    }
};
