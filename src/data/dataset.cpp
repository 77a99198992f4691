#include "data/dataset.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "data/collation.h"
#include "data/database.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <numeric>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// `select * from <table>`: capture 1 is the star, capture 2 the table.
const QRegularExpression &selectAll()
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*select\s+(\*)\s+from\s+(\w+)\b)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// The table whose rows a `select * from <table> …` result holds; such results can be edited.
QString editableTable(const QString &sql)
{
    const auto m = selectAll().match(sql);
    return m.hasMatch() ? m.captured(2).toLower() : QString();
}

// Rows whose deferred columns are read together: about two screenfuls of a grid.
constexpr int kReadBlock = 64;
// Rows read in one go when a whole column is needed (sorting, sums).
constexpr int kColumnBlock = 500;

// Gives back to the system the memory freed after making the sort keys of `rows` rows, when there
// were many. A large column's sort makes an object per text and per distinct text, hundreds of
// megabytes at a million rows, all freed once the keys are made; the allocator would otherwise
// keep that memory, scattered between blocks still in use, for the rest of the session.
void releaseFreedMemory(int rows)
{
#ifdef __GLIBC__
    if (rows >= 100000)
        malloc_trim(0);
#else
    Q_UNUSED(rows);
#endif
}

// `statement` without a final ORDER BY clause, for reading values that are matched to the
// loaded rows by key: their order does not matter, and sorting every row would cost more than
// reading them. A clause holding anything but names, commas and ASC / DESC stays.
Statement withoutOrder(const Statement &statement)
{
    static const QRegularExpression orderBy(QStringLiteral(R"(\s+order\s+by\s+[\w\[\],\s]+$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    Statement unordered = statement;
    unordered.sql.remove(orderBy);
    return unordered;
}

QString quoted(const QString &column)
{
    return QLatin1Char('[') + column + QLatin1Char(']');
}

// The positions of the rows in the order of their keys (stable: rows whose keys are equal keep
// the order they were in, either way).
template <class SortKey>
std::vector<int> sortedPositions(const std::vector<SortKey> &keys, const std::vector<int> &rows, int rowCount,
                                 bool descending)
{
    // A column of texts and nulls, the usual case: the texts' ranks are small whole numbers, and
    // the rows are dealt into one bucket per rank instead of being compared.
    const bool ranksOnly = std::all_of(rows.begin(), rows.begin() + rowCount, [&](int stored) {
        return keys[size_t(stored)].kind != 1;
    });
    if (ranksOnly) {
        // Bucket 0 holds the nulls, bucket r + 1 the texts of rank r.
        auto bucketOf = [&](int position) {
            const SortKey &key = keys[size_t(rows[size_t(position)])];
            return key.kind == 0 ? 0 : size_t(key.value) + 1;
        };
        size_t buckets = 1;
        for (int r = 0; r < rowCount; ++r)
            buckets = std::max(buckets, bucketOf(r) + 1);
        std::vector<int> start(buckets + 1, 0);
        for (int r = 0; r < rowCount; ++r)
            ++start[descending ? buckets - 1 - bucketOf(r) + 1 : bucketOf(r) + 1];
        for (size_t b = 1; b <= buckets; ++b)
            start[b] += start[b - 1];
        std::vector<int> order(static_cast<size_t>(rowCount));
        for (int r = 0; r < rowCount; ++r)
            order[size_t(start[descending ? buckets - 1 - bucketOf(r) : bucketOf(r)]++)] = r;
        return order;
    }
    // The rows' keys side by side with their positions, so the sort compares values held in place.
    struct Item {
        SortKey key;
        int position;
    };
    std::vector<Item> items;
    items.reserve(size_t(rowCount));
    for (int r = 0; r < rowCount; ++r)
        items.push_back({keys[size_t(rows[size_t(r)])], r});
    auto before = [](const SortKey &a, const SortKey &b) {
        return a.kind != b.kind ? a.kind < b.kind : a.value < b.value;
    };
    // Stable: rows that compare equal keep the order they were in, either way.
    if (descending)
        std::stable_sort(items.begin(), items.end(), [&](const Item &x, const Item &y) { return before(y.key, x.key); });
    else
        std::stable_sort(items.begin(), items.end(), [&](const Item &x, const Item &y) { return before(x.key, y.key); });
    std::vector<int> order;
    order.reserve(items.size());
    for (const Item &item : items)
        order.push_back(item.position);
    return order;
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
    // A closed result has no columns: the names go with the places of the cells, so nothing can
    // look a name up and then index cells that are gone.
    m_columns.clear();
    m_columnIndex.clear();
    m_cells.clear();
    m_lateCells.clear();
    m_rows.clear();
    m_place.clear();
    m_lateRow.clear();
    m_knownUnits.clear();
    m_sortKeys.clear();
    m_loadedWidth = m_lateWidth = 0;
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
    load(statement, {}, nullptr);
}

void Dataset::open(const Statement &statement, const QHash<QString, long long> &tableSums)
{
    load(statement, tableSums, nullptr);
}

void Dataset::open(const Statement &statement, const std::vector<long long> &keys,
                   const QHash<QString, long long> &sums)
{
    load(statement, sums, &keys);
}

void Dataset::open(const Statement &statement, const MadeRows &rows)
{
    load(statement, {}, nullptr, &rows);
}

void Dataset::load(const Statement &statement, const QHash<QString, long long> &tableSums,
                   const std::vector<long long> *keys, const MadeRows *made)
{
    close();
    m_statement = statement;
    m_table = made ? QString() : editableTable(statement.sql);
    // A keyed result with columns read on demand keeps only each row's key. Its rows are read by
    // a narrower statement with the same conditions, selecting the key and the columns named to
    // be read while loading; those are summed as the rows arrive and then read on demand like
    // every other column, their sums kept as given sums are (see placeColumns).
    QStringList columns = made ? made->columns : QStringList();
    std::vector<bool> deferred;
    std::vector<bool> summed; // per column: read while loading to be summed
    Statement &rows = m_rowsStatement;
    rows = statement;
    if (!m_loadedColumns.isEmpty() && !m_table.isEmpty()) {
        columns = m_db.columns(statement);
        deferred = deferredColumns(columns);
        if (!deferred.empty()) {
            std::vector<bool> skipped(deferred.size());
            for (int c = 0; c < int(columns.size()); ++c) {
                summed.push_back(deferred[size_t(c)] && m_loadedColumns.contains(columns.at(c), Qt::CaseInsensitive) &&
                                 !hasName(tableSums, columns.at(c)));
                skipped[size_t(c)] = deferred[size_t(c)] && !summed.back();
            }
            rows = loadingStatement(statement, columns, skipped);
        }
    }
    const bool namesKnown = !columns.isEmpty();
    // Where the key and each summed column stand among the columns `rows` selects.
    int keyAt = -1;
    std::vector<int> summedAt, summedColumn;
    for (int c = 0, at = 0; c < int(summed.size()); ++c) {
        if (!deferred[size_t(c)]) {
            keyAt = at++;
        } else if (summed[size_t(c)]) {
            summedAt.push_back(at++);
            summedColumn.push_back(c);
        }
    }
    std::vector<long long> units(summedAt.size(), 0);
    int count = 0;
    try {
        if (keyAt >= 0 && summedAt.empty() && keys) {
            for (const long long key : *keys)
                m_cells.appendInteger(key);
            count = int(keys->size());
        } else if (keyAt >= 0) {
            m_db.query(rows, [&](const ResultRow &row) {
                m_cells.append(row, keyAt);
                for (size_t i = 0; i < summedAt.size(); ++i)
                    units[i] += numbertext::fixed4Units(row.number(summedAt[i]));
                ++count;
            });
        } else if (made) {
            const int width = int(columns.size());
            made->produce([&](const ResultRow &row) {
                m_cells.appendRow(row, width);
                ++count;
            });
        } else {
            // Otherwise the names arrive with the rows.
            int width = -1;
            m_db.query(
                rows,
                [&](const ResultRow &row) {
                    if (width < 0)
                        width = row.columnCount();
                    m_cells.appendRow(row, width);
                    ++count;
                },
                namesKnown ? nullptr : &columns);
        }
    } catch (...) {
        m_cells.clear();
        throw;
    }
    m_columns = columns;
    m_columnIndex.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        m_columnIndex.insert(m_columns.at(i).toLower(), i);
    m_rows.resize(size_t(count));
    std::iota(m_rows.begin(), m_rows.end(), 0);
    placeColumns(deferred);
    m_lateRow.assign(m_lateWidth == 0 ? 0 : size_t(count), -1);
    m_rowCount = count;
    for (auto it = tableSums.cbegin(); it != tableSums.cend(); ++it) {
        if (const int c = columnIndex(it.key()); c >= 0)
            m_knownUnits.insert(c, it.value());
    }
    for (size_t i = 0; i < summedColumn.size(); ++i)
        m_knownUnits.insert(summedColumn[i], units[i]);
    m_keyColumn = m_table.isEmpty() ? -1 : columnIndex(QStringLiteral("ID"));
    if (m_keyColumn < 0)
        m_table.clear();
    m_open = true;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
    emit reset();
    emit currentRowChanged(m_current);
}

Statement Dataset::loadingStatement(const Statement &statement, const QStringList &columns,
                                    const std::vector<bool> &deferred)
{
    QStringList read;
    for (int c = 0; c < int(columns.size()); ++c) {
        if (!deferred[size_t(c)])
            read << quoted(columns.at(c));
    }
    const auto m = selectAll().match(statement.sql);
    return Statement(QStringLiteral("select ") + read.join(QLatin1Char(',')) + statement.sql.mid(m.capturedEnd(1)),
                     statement.params);
}

void Dataset::placeColumns(const std::vector<bool> &deferred)
{
    m_place.clear();
    m_loadedWidth = m_lateWidth = 0;
    for (int c = 0; c < int(m_columns.size()); ++c) {
        const bool late = !deferred.empty() && deferred[size_t(c)];
        m_place.push_back({late, late ? m_lateWidth++ : m_loadedWidth++});
    }
}

Dataset::Cell Dataset::cell(int row, int column) const
{
    const Place place = m_place[size_t(column)];
    if (!place.late)
        return {&m_cells, loadedCell(row, column)};
    const int late = m_lateRow[size_t(m_rows[size_t(row)])];
    if (late < 0)
        return {};
    return {&m_lateCells, size_t(late) * size_t(m_lateWidth) + size_t(place.at)};
}

std::vector<bool> Dataset::deferredColumns(const QStringList &columns) const
{
    std::vector<bool> deferred;
    if (m_loadedColumns.isEmpty() || m_table.isEmpty() || !columns.contains(QStringLiteral("ID"), Qt::CaseInsensitive))
        return deferred;
    for (const QString &name : columns)
        deferred.push_back(name.compare(QStringLiteral("ID"), Qt::CaseInsensitive) != 0);
    return deferred;
}

bool Dataset::hasName(const QHash<QString, long long> &sums, const QString &name)
{
    for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

long long Dataset::unitsOf(const QVariant &value)
{
    return numbertext::fixed4Units(value.toDouble());
}

void Dataset::readRows(int from, int count) const
{
    const size_t width = size_t(m_lateWidth);
    QVariantList keys;
    QHash<qlonglong, int> lateRow; // key -> its row in m_lateCells
    for (int r = std::max(0, from), to = std::min(m_rowCount, from + count); r < to; ++r) {
        const int stored = m_rows[size_t(r)];
        if (m_lateRow[size_t(stored)] >= 0)
            continue;
        // Given its cells even if the row has left the table meanwhile: they stay empty.
        const int late = int(m_lateCells.size() / width);
        m_lateRow[size_t(stored)] = late;
        for (size_t c = 0; c < width; ++c)
            m_lateCells.appendNull();
        const qlonglong key = qlonglong(m_cells.number(loadedCell(r, m_keyColumn)));
        keys << key;
        lateRow.insert(key, late);
    }
    if (keys.isEmpty())
        return;
    const QStringList marks(keys.size(), QStringLiteral("?"));
    const Statement statement(
        QStringLiteral("select * from %1 where ID in (%2)").arg(m_table, marks.join(QLatin1Char(','))), keys);
    QStringList columns;
    std::vector<int> target; // per column read: the column of this result it fills, or -1
    int keyColumn = -1;
    try {
        m_db.query(
            statement,
            [&](const ResultRow &row) {
                if (target.empty()) {
                    for (const QString &name : columns) {
                        const int c = columnIndex(name);
                        target.push_back(c >= 0 && m_place[size_t(c)].late ? m_place[size_t(c)].at : -1);
                    }
                    keyColumn = int(columns.indexOf(m_columns.at(m_keyColumn)));
                }
                const int late = lateRow.value(row.integer(keyColumn), -1);
                if (late < 0)
                    return;
                for (size_t c = 0; c < target.size(); ++c) {
                    if (target[c] >= 0)
                        m_lateCells.assign(size_t(late) * width + size_t(target[c]), row, int(c));
                }
            },
            &columns);
    } catch (const DbError &) {
        // Reading happens while rows are drawn, where nobody could be told; the cells stay empty
        // until the result is loaded again.
    }
}

void Dataset::readColumn(int column) const
{
    if (!m_place[size_t(column)].late)
        return;
    for (int r = 0; r < m_rowCount; r += kColumnBlock)
        readRows(r, kColumnBlock);
}

int Dataset::unreadRows(int column) const
{
    if (!m_place[size_t(column)].late)
        return 0;
    return int(std::count(m_lateRow.cbegin(), m_lateRow.cend(), -1));
}

std::vector<long long> Dataset::readWholeColumn(int column, CellStore &values) const
{
    // The result's own statement, selecting the key and the column only; its values are matched
    // to the loaded rows by key.
    // Keys are the table's row numbers, mostly dense: a row is found by its key's offset from the
    // lowest one, or, for keys spread wide, by a binary search.
    std::vector<std::pair<long long, int>> byKey; // key, row position
    byKey.reserve(size_t(m_rowCount));
    for (int r = 0; r < m_rowCount; ++r)
        byKey.emplace_back((long long)m_cells.number(loadedCell(r, m_keyColumn)), r);
    long long lowest = 0, highest = -1;
    if (!byKey.empty()) {
        const auto [low, high] = std::minmax_element(byKey.cbegin(), byKey.cend());
        lowest = low->first;
        highest = high->first;
    }
    const long long span = highest - lowest + 1;
    std::vector<int> dense;
    if (span <= 4 * (long long)m_rowCount + 1024) {
        dense.assign(size_t(span), -1);
        for (const auto &[key, row] : byKey)
            dense[size_t(key - lowest)] = row;
    } else {
        std::sort(byKey.begin(), byKey.end());
    }
    auto rowOfKey = [&](long long key) {
        if (!dense.empty())
            return key < lowest || key - lowest >= span ? -1 : dense[size_t(key - lowest)];
        const auto it = std::lower_bound(byKey.cbegin(), byKey.cend(), std::make_pair(key, -1));
        return it != byKey.cend() && it->first == key ? it->second : -1;
    };
    std::vector<bool> deferred(size_t(m_columns.size()), true);
    deferred[size_t(m_keyColumn)] = deferred[size_t(column)] = false;
    const int keyAt = m_keyColumn < column ? 0 : 1;
    std::vector<long long> at(size_t(m_rowCount), -1);
    m_db.query(withoutOrder(loadingStatement(m_statement, m_columns, deferred)), [&](const ResultRow &result) {
        const int row = rowOfKey(result.integer(keyAt));
        if (row < 0)
            return;
        at[size_t(row)] = (long long)values.size();
        values.appendNull();
        values.assign(values.size() - 1, result, 1 - keyAt);
    });
    return at;
}

void Dataset::execute(const Statement &statement)
{
    close();
    m_statement = m_rowsStatement = statement;
    m_table.clear();
    m_db.execute(statement);
}

void Dataset::reopenKeepingPlace(const QHash<QString, long long> &tableSums)
{
    if (!m_open || isEditing() || m_statement.sql.isEmpty())
        return;
    const Statement statement = m_statement;
    const QString sortSpec =
        m_sortColumn.isEmpty() ? QString() : m_sortColumn + (m_sortDescending ? QStringLiteral(" DESC") : QString());
    const long long key = currentKey();
    const int row = m_current;
    open(statement, tableSums);
    if (!sortSpec.isEmpty())
        sort(sortSpec);
    const int again = key >= 0 ? rowOfKey(key) : -1;
    setCurrentRow(again >= 0 ? again : row);
}

void Dataset::openTable(const QString &table)
{
    close();
    m_statement = m_rowsStatement = Statement(QStringLiteral("select * from ") + table);
    QStringList columns;
    m_db.query(Statement(QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0")),
               [](const ResultRow &) {}, &columns);
    m_columns = columns;
    m_columnIndex.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        m_columnIndex.insert(m_columns.at(i).toLower(), i);
    placeColumns({});
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
    if (isDeferred(row, column))
        readRows(row - row % kReadBlock, kReadBlock);
    const Cell at = cell(row, column);
    return at.store ? at.store->value(at.index) : QVariant();
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
        if (qlonglong(m_cells.number(loadedCell(r, m_keyColumn))) == key)
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
    // Given sums follow the row's changed values: what they held before is taken away below.
    const int loadedRow = m_knownUnits.isEmpty() ? -1 : rowOfKey(key);
    QHash<int, long long> before;
    if (loadedRow >= 0) {
        for (const QString &n : std::as_const(names)) {
            const int c = columnIndex(n);
            if (m_knownUnits.contains(c))
                before.insert(c, unitsOf(value(loadedRow, c)));
        }
    }
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
               [&](const ResultRow &result) {
                   for (int i = 0; i < names.size(); ++i)
                       fresh.push_back(result.value(i));
               });
    for (int i = 0; i < names.size() && i < int(fresh.size()); ++i) {
        // A cell not read yet will be read as it now is.
        const Cell at = cell(row, columnIndex(names.at(i)));
        if (at.store)
            at.store->set(at.index, fresh[size_t(i)]);
    }
    m_sortKeys.clear();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        m_knownUnits[it.key()] += unitsOf(value(row, it.key())) - it.value();
    emit rowChanged(row);
}

bool Dataset::refreshRow(long long key, const QVariantHash &before)
{
    const int row = rowOfKey(key);
    if (row < 0 || m_editMode != EditMode::None)
        return false;
    // The kept sums lose what the row held before it was written: the written columns' values
    // given, the others as read before or, never read, as stored now. Without the written values,
    // cells never read are unknown: reading them now gives what was written.
    QHash<int, QVariant> held;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (const int c = columnIndex(it.key()); c >= 0)
            held.insert(c, it.value());
    }
    const bool cellsRead = m_lateWidth == 0 || m_lateRow[size_t(m_rows[size_t(row)])] >= 0;
    if (!m_knownUnits.isEmpty() && !cellsRead && before.isEmpty())
        return false;
    // The statement narrowed to the one row: no row when it is no longer one of the statement's.
    Statement one(QStringLiteral("SELECT * FROM (%1) AS one WHERE ID=?").arg(m_statement.sql), m_statement.params);
    one.params << key;
    std::vector<QVariant> fresh;
    m_db.query(one, [&](const ResultRow &result) {
        const int width = result.columnCount();
        for (int i = 0; i < width; ++i)
            fresh.push_back(result.value(i));
    });
    // What the row adds to the sums kept, taken away before and added back after.
    for (auto it = m_knownUnits.begin(); it != m_knownUnits.end(); ++it) {
        const auto given = held.constFind(it.key());
        it.value() -= unitsOf(given != held.cend() ? *given : value(row, it.key()));
    }
    if (fresh.empty()) {
        m_rows.erase(m_rows.begin() + row);
        --m_rowCount;
        if (m_current > row || m_current == m_rowCount)
            --m_current;
        m_eof = m_rowCount == 0;
        emit rowRemoved(row);
        emit currentRowChanged(m_current);
        return true;
    }
    if (int(fresh.size()) != m_columns.size())
        throw DbError(QStringLiteral("%1: 记录的列已改变").arg(objectName()));
    for (int c = 0; c < m_columns.size(); ++c) {
        // A cell not read yet will be read as it now is.
        const Cell at = cell(row, c);
        if (at.store)
            at.store->set(at.index, fresh[size_t(c)]);
    }
    m_sortKeys.clear();
    for (auto it = m_knownUnits.begin(); it != m_knownUnits.end(); ++it)
        it.value() += unitsOf(value(row, it.key()));
    emit rowChanged(row);
    return true;
}

void Dataset::deleteCurrent()
{
    if (m_table.isEmpty() || m_keyColumn < 0)
        throw DbError(QStringLiteral("%1: 数据集不能删除记录").arg(objectName()));
    requireCurrent();
    const int row = m_current;
    QHash<int, long long> removed; // what the row adds to the given sums
    for (auto it = m_knownUnits.cbegin(); it != m_knownUnits.cend(); ++it)
        removed.insert(it.key(), unitsOf(value(row, it.key())));
    m_db.execute(Statement(QStringLiteral("DELETE FROM %1 WHERE ID=?").arg(m_table), {currentKey()}));
    for (auto it = removed.cbegin(); it != removed.cend(); ++it)
        m_knownUnits[it.key()] -= it.value();
    m_rows.erase(m_rows.begin() + row);
    --m_rowCount;
    m_current = m_rowCount == 0 ? -1 : std::min(row, m_rowCount - 1);
    m_eof = m_rowCount == 0;
    emit rowRemoved(row);
    emit currentRowChanged(m_current);
}

const std::vector<Dataset::SortKey> &Dataset::sortKeys(int column)
{
    if (auto cached = m_sortKeys.find(column); cached != m_sortKeys.end())
        return cached->second;
    // Each cell of the column is read once. Nulls come first, then numbers by value, then texts
    // in the program's order (collation), which the texts' ranks stand for in the comparison.
    std::vector<SortKey> keys;
    keys.reserve(size_t(m_rowCount));
    std::vector<std::string_view> texts;
    std::vector<int> textRows;
    auto addKey = [&](int row, const CellStore *store, size_t index) {
        if (!store || store->isNull(index)) {
            keys.push_back({0, 0});
        } else if (store->isText(index)) {
            keys.push_back({2, 0});
            texts.push_back(store->utf8(index));
            textRows.push_back(row);
        } else {
            keys.push_back({1, store->number(index)});
        }
    };
    // Holds the column read in one go: the texts handed to the ranking point into it.
    CellStore values;
    if (unreadRows(column) > 2 * kColumnBlock) {
        // Most of the column is not read yet: one statement reads it for every row instead of
        // reading every column of the rows block by block.
        const std::vector<long long> at = readWholeColumn(column, values);
        for (int r = 0; r < m_rowCount; ++r)
            addKey(r, at[size_t(r)] < 0 ? nullptr : &values, size_t(at[size_t(r)]));
    } else {
        readColumn(column);
        for (int r = 0; r < m_rowCount; ++r) {
            const Cell at = cell(r, column);
            addKey(r, at.store, at.index);
        }
    }
    const std::vector<int> ranks = collation::ranks(texts);
    for (size_t i = 0; i < textRows.size(); ++i)
        keys[size_t(textRows[i])].value = ranks[i];
    // By stored row, which a sort does not move.
    const int stored = m_rows.empty() ? 0 : *std::max_element(m_rows.begin(), m_rows.end()) + 1;
    std::vector<SortKey> byStored(static_cast<size_t>(stored));
    for (int r = 0; r < m_rowCount; ++r)
        byStored[size_t(m_rows[size_t(r)])] = keys[size_t(r)];
    return m_sortKeys[column] = std::move(byStored);
}

void Dataset::sort(const QString &fieldSpec)
{
    QString field = fieldSpec.trimmed();
    bool descending = false;
    if (field.endsWith(QStringLiteral(" DESC"), Qt::CaseInsensitive)) {
        descending = true;
        field.chop(5);
        field = field.trimmed();
    }
    const int column = requireColumn(field);
    const bool keysMade = m_sortKeys.find(column) == m_sortKeys.end();
    const std::vector<SortKey> &keys = sortKeys(column);
    if (keysMade)
        releaseFreedMemory(m_rowCount);
    const std::vector<int> order = sortedPositions(keys, m_rows, m_rowCount, descending);
    std::vector<int> sorted;
    sorted.reserve(order.size());
    int newCurrent = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(m_rows[size_t(order[i])]);
        if (order[i] == m_current)
            newCurrent = int(i);
    }
    m_rows = std::move(sorted);
    m_sortColumn = m_columns.at(column);
    m_sortDescending = descending;
    m_current = newCurrent;
    emit reset();
    emit currentRowChanged(m_current);
}

QHash<QString, long long> Dataset::knownSums() const
{
    QHash<QString, long long> known;
    for (auto it = m_knownUnits.cbegin(); it != m_knownUnits.cend(); ++it)
        known.insert(m_columns.at(it.key()), it.value());
    return known;
}

double Dataset::sum(const QString &name) const
{
    return sums({name}).front();
}

std::vector<double> Dataset::sums(const QStringList &names) const
{
    std::vector<int> columns;
    for (const QString &name : names) {
        columns.push_back(requireColumn(name));
        if (!m_knownUnits.contains(columns.back()))
            readColumn(columns.back());
    }
    // Counted in ten-thousandths, so adding up is exact whatever the number of rows.
    std::vector<long long> units(columns.size(), 0);
    for (size_t i = 0; i < columns.size(); ++i) {
        if (const auto known = m_knownUnits.constFind(columns[i]); known != m_knownUnits.cend()) {
            units[i] = known.value();
            continue;
        }
        for (int r = 0; r < m_rowCount; ++r) {
            const Cell at = cell(r, columns[i]);
            if (at.store)
                units[i] += numbertext::fixed4Units(at.store->number(at.index));
        }
    }
    std::vector<double> totals;
    for (const long long u : units)
        totals.push_back(double(u) / 10000.0);
    return totals;
}
