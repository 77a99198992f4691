#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <string_view>
#include <vector>

class ResultRow;
struct sqlite3_value;

// The cells of a loaded result, kept compact: numbers as they are, texts as UTF-8 bytes in one
// buffer. A QVariant is made only when a cell is read, so loading many rows costs little more
// than stepping through them, and dropping them is two frees.
class CellStore {
public:
    void clear();

    // Appends the values of the first `count` result columns of a result row.
    void appendRow(const ResultRow &row, int count);
    // Appends the value of one result column.
    void append(const ResultRow &row, int column) { m_cells.push_back(read(row, column, m_text)); }
    void appendNull() { m_cells.emplace_back(); }
    void appendInteger(qint64 value)
    {
        Cell &cell = m_cells.emplace_back();
        cell.type = Type::Integer;
        cell.integer = value;
    }
    size_t size() const { return m_cells.size(); }
    // Replaces a cell with the value of a result column.
    void assign(size_t index, const ResultRow &row, int column);
    // Replaces a cell with a value read back from the database (null, number or text).
    void set(size_t index, const QVariant &value);

    // The cell as the program sees it: null, a number (double or integer) or a text.
    QVariant value(size_t index) const;
    // The cell as a number: null and texts that are no number count as 0.
    double number(size_t index) const
    {
        const Cell &cell = m_cells[index];
        switch (cell.type) {
        case Type::Null:
            return 0;
        case Type::Integer:
            return double(cell.integer);
        case Type::Real:
            return cell.real;
        case Type::Text:
            break;
        }
        return textNumber(index);
    }
    // The number a cell holding the SQLite value `value` gives: the same rules as number().
    static double numberOf(sqlite3_value *value);
    bool isNull(size_t index) const { return m_cells[index].type == Type::Null; }
    bool isText(size_t index) const { return m_cells[index].type == Type::Text; }
    QString text(size_t index) const;
    // A text cell's UTF-8 bytes, valid until the store changes.
    std::string_view utf8(size_t index) const
    {
        const Cell &cell = m_cells[index];
        return {m_text.data() + cell.offset, cell.size};
    }

private:
    enum class Type : std::uint8_t { Null, Integer, Real, Text };
    struct Cell {
        Type type = Type::Null;
        std::uint32_t size = 0; // text bytes
        union {
            double real;
            qint64 integer;
            std::uint64_t offset; // text start in m_text
        };
    };
    static Cell read(const ResultRow &row, int column, std::vector<char> &text);
    double textNumber(size_t index) const;

    std::vector<Cell> m_cells;
    std::vector<char> m_text;
};
