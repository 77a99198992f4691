#include "data/tabletotals.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "data/cellstore.h"
#include "data/database.h"

#include <sqlite3.h>

namespace {

// The triggers' measure of a value: ten-thousandths of the number a loaded cell holding it gives.
constexpr const char *kUnits = "tolvane_fixed4_units";

void units(sqlite3_context *context, int, sqlite3_value **arguments)
{
    sqlite3_result_int64(context, numbertext::fixed4Units(CellStore::numberOf(arguments[0])));
}

QString quoted(const QString &column)
{
    return QLatin1Char('[') + column + QLatin1Char(']');
}

} // namespace

TableTotals::TableTotals(Database &db, QString table, QStringList columns)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns))
{
}

QString TableTotals::totalsTable() const
{
    return QStringLiteral("tolvane_totals_") + m_table;
}

QHash<QString, long long> TableTotals::sums()
{
    if (m_db.onServer()) {
        // The server sums the table where it is; other tills' writes are in it at once.
        QStringList totals;
        for (const QString &column : m_columns)
            totals << QStringLiteral("coalesce(sum(%1(%2)),0)").arg(QString::fromLatin1(kUnits), quoted(column));
        QHash<QString, long long> sums;
        m_db.query(Statement(QStringLiteral("select %1 from %2").arg(totals.join(QLatin1Char(',')), m_table)),
                   [&](const ResultRow &row) {
                       for (int i = 0; i < m_columns.size(); ++i)
                           sums.insert(m_columns.at(i), row.integer(i));
                   });
        return sums;
    }
    if (const auto known = knownSums())
        return *known;
    // Not kept on this connection yet (or kept no more, after the database was closed and opened
    // again for a backup or restore), or another program wrote to the file.
    Transaction transaction(m_db);
    if (!isSetUp())
        setUp();
    recount();
    transaction.commit();
    return stored();
}

std::optional<QHash<QString, long long>> TableTotals::knownSums()
{
    if (m_db.onServer())
        return sums();
    if (!isSetUp() || m_generation != m_db.generation() || m_db.dataVersion() != m_version)
        return std::nullopt;
    return stored();
}

void TableTotals::adopt(const QHash<QString, long long> &sums, long long versionBefore)
{
    if (m_db.onServer())
        return;
    // Under the transaction's lock no other write can land between the check and the triggers.
    Transaction transaction(m_db);
    if (!isSetUp())
        setUp();
    QVariantList values;
    for (const QString &column : m_columns) {
        for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
            if (it.key().compare(column, Qt::CaseInsensitive) == 0) {
                values << it.value();
                break;
            }
        }
    }
    if (values.size() == m_columns.size() && versionBefore >= 0 && m_db.dataVersion() == versionBefore) {
        QStringList marks;
        for (int i = 0; i < m_columns.size(); ++i)
            marks << QStringLiteral("?");
        m_db.execute(Statement(QStringLiteral("DELETE FROM temp.%1").arg(totalsTable())));
        m_db.execute(Statement(QStringLiteral("INSERT INTO temp.%1 VALUES (%2)").arg(totalsTable(), marks.join(QLatin1Char(','))),
                               values));
        m_generation = m_db.generation();
        m_version = versionBefore;
    } else {
        recount();
    }
    transaction.commit();
}

bool TableTotals::isSetUp()
{
    // The temporary table lives as long as the connection.
    return m_db.scalar(Statement(QStringLiteral("select count(*) from temp.sqlite_master where type='table' and name=?"),
                                 {totalsTable()}))
               .toInt() != 0;
}

QHash<QString, long long> TableTotals::stored()
{
    QHash<QString, long long> sums;
    QStringList names;
    for (int i = 0; i < m_columns.size(); ++i)
        names << QStringLiteral("c%1").arg(i);
    m_db.query(Statement(QStringLiteral("select %1 from temp.%2").arg(names.join(QLatin1Char(',')), totalsTable())),
               [&](const ResultRow &row) {
                   for (int i = 0; i < m_columns.size(); ++i)
                       sums.insert(m_columns.at(i), row.integer(i));
               });
    if (sums.size() != m_columns.size())
        throw DbError(QStringLiteral("%1: 合计数据缺失").arg(m_table));
    return sums;
}

void TableTotals::recount()
{
    QStringList totals;
    for (const QString &column : m_columns)
        totals << QStringLiteral("coalesce(sum(%1(%2)),0)").arg(QString::fromLatin1(kUnits), quoted(column));
    m_db.execute(Statement(QStringLiteral("DELETE FROM temp.%1").arg(totalsTable())));
    m_db.execute(Statement(QStringLiteral("INSERT INTO temp.%1 SELECT %2 FROM main.%3")
                               .arg(totalsTable(), totals.join(QLatin1Char(',')), m_table)));
    // Read under the transaction's lock: no other write can land between the count and this.
    m_generation = m_db.generation();
    m_version = m_db.dataVersion();
}

void TableTotals::setUp()
{
    if (sqlite3_create_function_v2(m_db.handle(), kUnits, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                   nullptr, units, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db.handle())));
    const QString function = QString::fromLatin1(kUnits);
    QStringList columns, added, removed, changed;
    for (int i = 0; i < m_columns.size(); ++i) {
        const QString c = QStringLiteral("c%1").arg(i);
        const QString column = quoted(m_columns.at(i));
        columns << c + QStringLiteral(" INTEGER NOT NULL");
        added << QStringLiteral("%1=%1+%2(new.%3)").arg(c, function, column);
        removed << QStringLiteral("%1=%1-%2(old.%3)").arg(c, function, column);
        changed << QStringLiteral("%1=%1-%2(old.%3)+%2(new.%3)").arg(c, function, column);
    }
    const QString table = totalsTable();
    auto trigger = [&](const QString &event, const QStringList &sets) {
        return Statement(QStringLiteral("CREATE TEMP TRIGGER %1_%2 AFTER %3 ON main.%4 BEGIN UPDATE %1 SET %5; END")
                             .arg(table, event.toLower(), event, m_table, sets.join(QLatin1Char(','))));
    };
    m_db.execute(Statement(QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(table, columns.join(QLatin1Char(',')))));
    m_db.execute(trigger(QStringLiteral("INSERT"), added));
    m_db.execute(trigger(QStringLiteral("DELETE"), removed));
    m_db.execute(trigger(QStringLiteral("UPDATE"), changed));
}
