#include "data/cellstore.h"

#include "data/resultrow.h"

#include <sqlite3.h>

void CellStore::clear()
{
    // A grid re-queried on every keystroke loads into the same buffers again, instead of paying
    // for fresh memory each time; only an unusually large result gives its memory back.
    constexpr size_t kKeptBytes = size_t(64) << 20;
    if (m_cells.capacity() * sizeof(Cell) + m_text.capacity() > kKeptBytes) {
        std::vector<Cell>().swap(m_cells);
        std::vector<char>().swap(m_text);
    } else {
        m_cells.clear();
        m_text.clear();
    }
}

CellStore::Cell CellStore::read(const ResultRow &row, int column, std::vector<char> &text)
{
    Cell cell;
    switch (row.type(column)) {
    case ResultRow::Type::Null:
        break;
    case ResultRow::Type::Integer:
        cell.type = Type::Integer;
        cell.integer = row.integer(column);
        break;
    case ResultRow::Type::Real:
        cell.type = Type::Real;
        cell.real = row.real(column);
        break;
    case ResultRow::Type::Text: {
        const std::string_view bytes = row.utf8(column);
        cell.type = Type::Text;
        cell.size = std::uint32_t(bytes.size());
        cell.offset = text.size();
        text.insert(text.end(), bytes.begin(), bytes.end());
        break;
    }
    }
    return cell;
}

void CellStore::appendRow(const ResultRow &row, int count)
{
    for (int c = 0; c < count; ++c)
        m_cells.push_back(read(row, c, m_text));
}

void CellStore::assign(size_t index, const ResultRow &row, int column)
{
    m_cells[index] = read(row, column, m_text);
}

void CellStore::set(size_t index, const QVariant &value)
{
    Cell &cell = m_cells[index];
    cell.size = 0;
    if (!value.isValid() || value.isNull()) {
        cell.type = Type::Null;
    } else if (value.typeId() == QMetaType::Double) {
        cell.type = Type::Real;
        cell.real = value.toDouble();
    } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
        cell.type = Type::Integer;
        cell.integer = value.toLongLong();
    } else {
        // Replaced bytes stay unused in the buffer until the result is dropped.
        const QByteArray utf8 = value.toString().toUtf8();
        cell.type = Type::Text;
        cell.size = std::uint32_t(utf8.size());
        cell.offset = m_text.size();
        m_text.insert(m_text.end(), utf8.constData(), utf8.constData() + utf8.size());
    }
}

QString CellStore::text(size_t index) const
{
    const Cell &cell = m_cells[index];
    return cell.type == Type::Text ? QString::fromUtf8(m_text.data() + cell.offset, qsizetype(cell.size)) : QString();
}

QVariant CellStore::value(size_t index) const
{
    const Cell &cell = m_cells[index];
    switch (cell.type) {
    case Type::Null:
        return {};
    case Type::Integer:
        return static_cast<qlonglong>(cell.integer);
    case Type::Real:
        return cell.real;
    case Type::Text:
        break;
    }
    return text(index);
}

double CellStore::textNumber(size_t index) const
{
    return text(index).toDouble();
}

double CellStore::numberOf(sqlite3_value *value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
        return double(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value)); // before its size
        return QString::fromUtf8(text, sqlite3_value_bytes(value)).toDouble();
    }
    }
}
