#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class Grid;
class SheetWriter;

// What stands above the column titles of an exported grid.
struct SheetHeading {
    QString title;                 // row 0, column 3
    QString beginDate, endDate;    // a row of their own when either is given
    QString userName;              // "制表人："
    QDateTime madeAt;              // "制表时间："
};

// A grid laid out as a worksheet: the heading rows, one row per title level, one row per loaded
// row in the grid's current order and the footer texts, with one sheet column per visible grid
// column in the order the grid shows them, so titles and data stay aligned.
class GridSheet {
public:
    static constexpr int kTitleColumn = 3;
    static constexpr int kEndDateColumn = 5;

    GridSheet(const Grid &grid, SheetHeading heading);

    int rowCount() const;
    int dataRowCount() const;
    int columnCount() const { return int(m_columns.size()); }

    // Writes every cell; `rowWritten` is told the number of data rows written after each one.
    void write(SheetWriter &writer, const std::function<void(int rows)> &rowWritten = {}) const;

private:
    int headingRows() const;
    int titleRows() const;
    bool hasFooter() const;
    void writeDataRow(SheetWriter &writer, int sheetRow, int row) const;

    const Grid &m_grid;
    SheetHeading m_heading;
    QList<int> m_columns; // the grid's model columns, as shown
};
