#include "maintenance/servermigration.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "data/database.h"
#include "data/schema.h"

#include <QHash>

namespace servermigration {
namespace {

bool isNumberColumn(const QString &column)
{
    return column.front().isDigit() || column == QLatin1String("a5");
}

// Columns named by a digit are written in brackets, as everywhere in the program.
QString bracketed(const QString &column)
{
    return column.front().isDigit() ? QLatin1Char('[') + column + QLatin1Char(']') : column;
}

// What a table holds, as compared after the copy: its rows and, per number column, the sum in
// ten-thousandths.
struct Measure {
    long long rows = 0;
    QHash<QString, long long> units;
    bool operator==(const Measure &) const = default;
};

Measure measure(Database &db, const schema::Table &table)
{
    Measure m;
    QStringList numbers;
    for (const QString &column : table.columns) {
        if (isNumberColumn(column))
            numbers << column;
    }
    QStringList read = numbers;
    for (QString &column : read)
        column = bracketed(column);
    read.prepend(QStringLiteral("1"));
    db.query(Statement(QStringLiteral("SELECT %1 FROM %2").arg(read.join(QLatin1Char(',')), table.name)),
             [&](const ResultRow &row) {
                 ++m.rows;
                 for (int i = 0; i < numbers.size(); ++i)
                     m.units[numbers.at(i)] += numbertext::fixed4Units(row.number(i + 1));
             });
    return m;
}

// The next value of a server's identity key follows the keys copied into it.
void followKeys(Database &to, const schema::Table &table)
{
    const QString key = table.columns.constFirst().toLower();
    if (!to.onServer() || key != QLatin1String("id"))
        return;
    to.execute(Statement(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                                        "coalesce((SELECT max(%2) FROM %1), 0) + 1, false)")
                             .arg(table.name, key)));
}

long long rowCount(Database &db, const QString &table)
{
    return db.scalar(Statement(QStringLiteral("SELECT count(*) FROM %1").arg(table))).toLongLong();
}

// Counts the rows gone across and asks after every few thousand whether to go on.
class Progress {
public:
    Progress(const CopyProgress &report, long long total) : m_report(report), m_total(total) { tell(); }
    void step()
    {
        if (++m_done % 2000 == 0)
            tell();
    }
    void tell()
    {
        if (m_report && !m_report(m_done, m_total))
            throw DbError(QStringLiteral("已停止，数据没有迁移"));
    }

private:
    const CopyProgress &m_report;
    long long m_total;
    long long m_done = 0;
};

// Rows go across a hundred to a statement: a server answers each statement over the network, and
// one round trip per row made a big shop's move take minutes.
constexpr int kRowsPerInsert = 100;

void copyTable(Database &from, Database &to, const schema::Table &table, Progress &progress)
{
    QStringList names;
    for (const QString &column : table.columns)
        names << bracketed(column);
    const QString list = names.join(QLatin1Char(','));
    const QString oneRow = QLatin1Char('(') + QStringList(names.size(), QStringLiteral("?")).join(',') + QLatin1Char(')');
    auto insertOf = [&](int rows) {
        return QStringLiteral("INSERT INTO %1 (%2) VALUES %3").arg(table.name, list, QStringList(rows, oneRow).join(','));
    };
    RepeatedStatement full(to, insertOf(kRowsPerInsert));
    // Rows go across in the order of their keys; the users, who have none of their own, in the
    // order they were added (rowid, which the target gives them in the same order).
    const QString key = table.columns.constFirst().compare(QLatin1String("id"), Qt::CaseInsensitive) == 0
                            ? table.columns.constFirst()
                            : QStringLiteral("rowid");
    const Statement rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(list, table.name, key));
    QVariantList values;
    int pending = 0;
    from.query(rows, [&](const ResultRow &row) {
        for (int c = 0; c < table.columns.size(); ++c) {
            QVariant value = row.value(c);
            // A file may hold a text in a number column; a server column holds numbers only.
            if (isNumberColumn(table.columns.at(c)) && value.typeId() == QMetaType::QString) {
                bool ok = false;
                const double number = value.toString().trimmed().toDouble(&ok);
                if (!ok && !value.toString().trimmed().isEmpty())
                    throw DbError(QStringLiteral("数据表 %1 第 %2 行的字段 %3 不是数字（%4），没有迁移")
                                      .arg(table.name, row.value(0).toString(), table.columns.at(c), value.toString()));
                value = ok ? QVariant(number) : QVariant();
            }
            values << value;
        }
        if (++pending == kRowsPerInsert) {
            full.run(values);
            values.clear();
            pending = 0;
        }
        progress.step();
    });
    if (pending > 0)
        to.execute(Statement(insertOf(pending), values));
    followKeys(to, table);
}

} // namespace

Copied copyShop(Database &from, Database &to, const CopyProgress &progress)
{
    // One moment of the source: a file's write lock keeps its other programs waiting; a server's
    // snapshot hides other tills' writes from the copy and from the comparison after it.
    Transaction source(from);
    if (from.onServer())
        from.execute(Statement("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
    Copied copied;
    copied.stockRows = rowCount(from, QStringLiteral("data"));
    copied.saleLines = rowCount(from, QStringLiteral("data1"));
    copied.users = rowCount(from, QStringLiteral("userdb"));
    copied.logins = rowCount(from, QStringLiteral("rz"));
    Progress counted(progress, copied.stockRows + copied.saleLines + copied.users + copied.logins);
    inTransaction(to, [&] {
        for (const char *table : {"data", "data1", "rz"}) {
            if (rowCount(to, QLatin1String(table)) != 0)
                throw DbError(QStringLiteral("目标数据库中已有数据（数据表 %1），没有迁移").arg(QLatin1String(table)));
        }
        to.execute(Statement("DELETE FROM userdb"));
        for (const schema::Table &table : schema::tables())
            copyTable(from, to, table, counted);
        for (const schema::Table &table : schema::tables()) {
            if (!(measure(from, table) == measure(to, table)))
                throw DbError(QStringLiteral("迁移后数据表 %1 的行数或合计与原来的不一致，已撤销迁移").arg(table.name));
        }
        counted.tell();
    });
    source.commit();
    return copied;
}

} // namespace servermigration
