#pragma once

#include <QDate>
#include <QString>

#include <vector>

// One cell of a worksheet as the workbook holds it.
struct SheetCell {
    enum class Kind : unsigned char { Empty, Number, Text, Date };
    Kind kind = Kind::Empty;
    double number = 0; // Number
    QString text;      // Text; Date: "yyyy-MM-dd", with " hh:mm:ss" when the cell holds a time too

    static SheetCell ofNumber(double value) { return {Kind::Number, value, {}}; }
    static SheetCell ofText(QString value) { return {Kind::Text, 0, std::move(value)}; }
    static SheetCell ofDate(QString value) { return {Kind::Date, 0, std::move(value)}; }
    bool isEmpty() const { return kind == Kind::Empty || (kind == Kind::Text && text.trimmed().isEmpty()); }
};

// The cells of one worksheet, row by row from its first row (index 0 is sheet row 1). Rows end
// after their last cell that holds something, so they may differ in length.
struct Worksheet {
    QString name;
    // Day 0 of the workbook's date serial numbers: 1899-12-30, or 1904-01-01 for workbooks made
    // with the 1904 date system.
    QDate dateOrigin = QDate(1899, 12, 30);
    std::vector<std::vector<SheetCell>> rows;

    void set(size_t row, size_t column, SheetCell cell)
    {
        if (rows.size() <= row)
            rows.resize(row + 1);
        std::vector<SheetCell> &cells = rows[row];
        if (cells.size() <= column)
            cells.resize(column + 1);
        cells[column] = std::move(cell);
    }
    const SheetCell &at(size_t row, size_t column) const
    {
        static const SheetCell empty;
        if (row >= rows.size() || column >= rows[row].size())
            return empty;
        return rows[row][column];
    }
};
