#include "data/dataset.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "data/database.h"

#include <QRegularExpression>
#include <algorithm>
#include <numeric>
#include <sqlite3.h>

namespace {

// The table whose rows a `select * from <table> …` result holds; such results can be edited.
QString editableTable(const QString &sql)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*select\s+\*\s+from\s+(\w+)\b)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(sql);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

QString quoted(const QString &column)
{
    return QLatin1Char('[') + column + QLatin1Char(']');
}

// Ordering used by the grid sort: nulls first, then numbers by value, then texts.
int compareValues(const QVariant &a, const QVariant &b)
{
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    const bool aText = a.typeId() == QMetaType::QString, bText = b.typeId() == QMetaType::QString;
    if (!aText && !bText) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (aText != bText)
        return aText ? 1 : -1;
    return QString::compare(a.toString(), b.toString());
}

} // namespace

Dataset::Dataset(Database &db, const QString &name, QObject *parent) : QObject(parent), m_db(db)
{
    setObjectName(name);
}

void Dataset::close()
{
    const bool hadRows = m_rowCount > 0 || m_open;
    m_open = false;
    m_cells.clear();
    m_rowCount = 0;
    m_current = -1;
    m_eof = true;
    m_keyColumn = -1;
    m_sortColumn.clear();
    m_editMode = EditMode::None;
    if (hadRows)
        emit reset();
}

void Dataset::open(const Statement &statement)
{
    close();
    m_statement = statement;
    m_table = editableTable(statement.sql);
    QStringList columns;
    std::vector<QVariant> cells;
    int rows = 0;
    // The column names are filled in before the first row arrives.
    m_db.query(
        statement,
        [&](sqlite3_stmt *stmt) {
            for (int c = 0, width = int(columns.size()); c < width; ++c)
                cells.push_back(Database::columnValue(stmt, c));
            ++rows;
        },
        &columns);
    m_columns = columns;
    m_columnIndex.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        m_columnIndex.insert(m_columns.at(i).toLower(), i);
    m_cells = std::move(cells);
    m_rowCount = rows;
    m_keyColumn = m_table.isEmpty() ? -1 : columnIndex(QStringLiteral("ID"));
    if (m_keyColumn < 0)
        m_table.clear();
    m_open = true;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
    emit reset();
    emit currentRowChanged(m_current);
}

void Dataset::execute(const Statement &statement)
{
    close();
    m_statement = statement;
    m_table.clear();
    m_db.execute(statement);
}

void Dataset::openTable(const QString &table)
{
    close();
    m_statement = Statement(QStringLiteral("select * from ") + table);
    QStringList columns;
    m_db.query(Statement(QStringLiteral("select * from ") + table + QStringLiteral(" where 0")),
               [](sqlite3_stmt *) {}, &columns);
    m_columns = columns;
    m_columnIndex.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        m_columnIndex.insert(m_columns.at(i).toLower(), i);
    m_table = table;
    m_keyColumn = columnIndex(QStringLiteral("ID"));
    m_open = true;
    emit reset();
}

int Dataset::columnIndex(const QString &name) const
{
    return m_columnIndex.value(name.toLower(), -1);
}

int Dataset::requireColumn(const QString &name) const
{
    const int c = columnIndex(name);
    if (c < 0)
        throw DbError(QStringLiteral("%1: 找不到字段 '%2'").arg(objectName(), name));
    return c;
}

void Dataset::requireCurrent() const
{
    if (m_current < 0 || m_current >= m_rowCount)
        throw DbError(QStringLiteral("%1: 数据集为空，没有当前记录").arg(objectName()));
}

QVariant Dataset::value(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columns.size())
        return {};
    return m_cells[size_t(row) * m_columns.size() + column];
}

QVariant Dataset::value(int row, const QString &name) const
{
    return value(row, requireColumn(name));
}

QVariant Dataset::value(const QString &name) const
{
    const int c = requireColumn(name);
    requireCurrent();
    return value(m_current, c);
}

QString Dataset::text(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return numbertext::general(v.toDouble());
    return v.toString();
}

void Dataset::setCurrentRow(int row)
{
    if (m_rowCount == 0) {
        m_current = -1;
        m_eof = true;
        return;
    }
    row = std::clamp(row, 0, m_rowCount - 1);
    m_eof = false;
    if (row != m_current) {
        m_current = row;
        emit currentRowChanged(row);
    }
}

void Dataset::next()
{
    if (m_current + 1 >= m_rowCount) {
        m_eof = true;
        return;
    }
    setCurrentRow(m_current + 1);
}

long long Dataset::key(int row) const
{
    if (m_keyColumn < 0 || row < 0 || row >= m_rowCount)
        return -1;
    return value(row, m_keyColumn).toLongLong();
}

int Dataset::rowOfKey(long long key) const
{
    if (m_keyColumn < 0)
        return -1;
    for (int r = 0; r < m_rowCount; ++r) {
        if (value(r, m_keyColumn).toLongLong() == key)
            return r;
    }
    return -1;
}

void Dataset::edit()
{
    if (m_table.isEmpty() || m_keyColumn < 0)
        throw DbError(QStringLiteral("%1: 数据集不能修改").arg(objectName()));
    requireCurrent();
    m_editMode = EditMode::Edit;
    m_editColumns.clear();
    m_editValues.clear();
}

void Dataset::append()
{
    if (!m_open || m_table.isEmpty())
        throw DbError(QStringLiteral("%1: 数据集没有打开").arg(objectName()));
    m_editMode = EditMode::Append;
    m_editColumns.clear();
    m_editValues.clear();
}

void Dataset::setValue(const QString &column, const QVariant &value)
{
    if (m_editMode == EditMode::None)
        throw DbError(QStringLiteral("%1: 数据集不在编辑状态").arg(objectName()));
    const QString name = m_columns.at(requireColumn(column));
    const int existing = m_editColumns.indexOf(name);
    if (existing >= 0) {
        m_editValues[existing] = value;
    } else {
        m_editColumns << name;
        m_editValues << value;
    }
}

void Dataset::cancel()
{
    m_editMode = EditMode::None;
    m_editColumns.clear();
    m_editValues.clear();
}

void Dataset::post()
{
    const EditMode mode = m_editMode;
    if (mode == EditMode::None)
        return;
    const QStringList columns = m_editColumns;
    const QVariantList values = m_editValues;
    cancel(); // a failed post leaves nothing pending for a later one
    if (mode == EditMode::Append) {
        QStringList names, marks;
        for (const QString &c : columns) {
            names << quoted(c);
            marks << QStringLiteral("?");
        }
        m_db.execute(Statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(m_table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                               values));
        return;
    }
    QVariantHash changes;
    for (int i = 0; i < columns.size(); ++i)
        changes.insert(columns.at(i), values.at(i));
    updateByKey(currentKey(), changes);
}

void Dataset::updateByKey(long long key, const QVariantHash &values)
{
    if (m_table.isEmpty() || m_keyColumn < 0)
        throw DbError(QStringLiteral("%1: 数据集不能修改").arg(objectName()));
    if (values.isEmpty())
        return;
    QStringList sets;
    QVariantList params;
    QStringList names;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString name = m_columns.at(requireColumn(it.key()));
        names << name;
        sets << quoted(name) + QStringLiteral("=?");
        params << it.value();
    }
    params << key;
    m_db.execute(Statement(
        QStringLiteral("UPDATE %1 SET %2 WHERE ID=?").arg(m_table, sets.join(QLatin1Char(','))), params));
    if (m_db.changes() == 0)
        throw DbError(QStringLiteral("%1: 记录已不存在").arg(objectName()));
    const int row = rowOfKey(key);
    if (row < 0)
        return;
    // Keep the loaded copy as the database now holds it (affinity may have changed the type).
    QStringList read;
    for (const QString &n : names)
        read << quoted(n);
    std::vector<QVariant> fresh;
    m_db.query(Statement(QStringLiteral("SELECT %1 FROM %2 WHERE ID=?").arg(read.join(QLatin1Char(',')), m_table),
                         {key}),
               [&](sqlite3_stmt *stmt) {
                   for (int i = 0; i < names.size(); ++i)
                       fresh.push_back(Database::columnValue(stmt, i));
               });
    for (int i = 0; i < names.size() && i < int(fresh.size()); ++i)
        m_cells[size_t(row) * m_columns.size() + columnIndex(names.at(i))] = fresh[size_t(i)];
    emit rowChanged(row);
}

void Dataset::deleteCurrent()
{
    if (m_table.isEmpty() || m_keyColumn < 0)
        throw DbError(QStringLiteral("%1: 数据集不能删除记录").arg(objectName()));
    requireCurrent();
    const int row = m_current;
    m_db.execute(Statement(QStringLiteral("DELETE FROM %1 WHERE ID=?").arg(m_table), {currentKey()}));
    const size_t width = size_t(m_columns.size());
    m_cells.erase(m_cells.begin() + ptrdiff_t(row * width), m_cells.begin() + ptrdiff_t((row + 1) * width));
    --m_rowCount;
    m_current = m_rowCount == 0 ? -1 : std::min(row, m_rowCount - 1);
    m_eof = m_rowCount == 0;
    emit rowRemoved(row);
    emit currentRowChanged(m_current);
}

void Dataset::sort(const QString &fieldSpec)
{
    QString spec = fieldSpec.trimmed();
    bool descending = false;
    if (spec.endsWith(QStringLiteral(" DESC"), Qt::CaseInsensitive)) {
        descending = true;
        spec.chop(5);
        spec = spec.trimmed();
    }
    const int column = requireColumn(spec);
    const size_t width = size_t(m_columns.size());
    std::vector<int> order(static_cast<size_t>(m_rowCount));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const int c = compareValues(m_cells[size_t(x) * width + column], m_cells[size_t(y) * width + column]);
        return descending ? c > 0 : c < 0;
    });
    const int currentBefore = m_current;
    std::vector<QVariant> sorted;
    sorted.reserve(m_cells.size());
    int newCurrent = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t from = size_t(order[i]) * width;
        std::move(m_cells.begin() + ptrdiff_t(from), m_cells.begin() + ptrdiff_t(from + width),
                  std::back_inserter(sorted));
        if (order[i] == currentBefore)
            newCurrent = int(i);
    }
    m_cells = std::move(sorted);
    m_sortColumn = m_columns.at(column);
    m_sortDescending = descending;
    m_current = newCurrent;
    emit reset();
    emit currentRowChanged(m_current);
}

double Dataset::sum(const QString &name) const
{
    const int c = requireColumn(name);
    double total = 0;
    for (int r = 0; r < m_rowCount; ++r)
        total = numbertext::fixed4(total + numbertext::fixed4(value(r, c).toDouble()));
    return total;
}
