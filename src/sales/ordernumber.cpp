#include "sales/ordernumber.h"

#include "data/database.h"
#include "data/dialect.h"
#include "data/schema.h"

#include <algorithm>

QString buildOrderNumber(const QDate &today, long long counter)
{
    return today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("%1").arg(counter, 3, 10, QLatin1Char('0'));
}

namespace {

// The table of opened order numbers, made here when the file could not be given it at open.
void ensureClaimsTable(Database &db)
{
    if (db.onServer()) {
        // Made with the database; while one till claims a number, the others wait for it.
        db.execute(Statement("LOCK TABLE order_claims IN SHARE ROW EXCLUSIVE MODE"));
        return;
    }
    for (const QString &sql : schema::programTableStatements())
        db.execute(Statement(sql));
}

bool hasClaimsTable(Database &db)
{
    return db.scalar(Statement(dialect::tableCount(db.onServer()), {QStringLiteral("order_claims")})).toInt() > 0;
}

// The highest counter among the order numbers of `table` that continue `prefix` in digits.
QVariant highestCounter(Database &db, const QString &table, const QString &prefix)
{
    // The counter is the digits after the eight date digits; the range of texts that continue the
    // prefix with a digit ("0" up to ":", which follows "9") can use the index on `z`. Numbers
    // typed by hand that do not continue in digits count as no counter.
    return db.scalar(Statement(QStringLiteral("SELECT max(%1) FROM %2 WHERE z >= ? AND z < ?")
                                   .arg(dialect::leadingInteger(QStringLiteral("z"), 9, db.onServer()), table),
                               {prefix + QLatin1Char('0'), prefix + QLatin1Char(':')}));
}

QString dayPrefix(const QDate &day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

long long firstFreeOrderCounter(Database &db, const QDate &day)
{
    const QString prefix = dayPrefix(day);
    long long first = 1;
    for (const QVariant &highest :
         {highestCounter(db, QStringLiteral("data1"), prefix),
          hasClaimsTable(db) ? highestCounter(db, QStringLiteral("order_claims"), prefix) : QVariant()}) {
        if (!highest.isNull())
            first = std::max(first, std::max(0LL, highest.toLongLong()) + 1);
    }
    return first;
}

long long claimOrderCounter(Database &db, const QDate &day, long long atLeast, const QString &claimant)
{
    long long counter = 0;
    inTransaction(db, [&] {
        ensureClaimsTable(db);
        // Numbers of days gone by are never opened again: their claims are let go.
        db.execute(Statement(QStringLiteral("DELETE FROM order_claims WHERE z < ?"), {dayPrefix(day)}));
        counter = std::max(atLeast, firstFreeOrderCounter(db, day));
        db.execute(Statement(QStringLiteral("INSERT INTO order_claims (z, claimant) VALUES (?, ?)"),
                             {buildOrderNumber(day, counter), claimant}));
    });
    return counter;
}

long long nextOrderCounter(Database &db, const QDate &day, long long counter, const QString &claimant)
{
    const long long next = counter + 1;
    long long result = next;
    inTransaction(db, [&] {
        ensureClaimsTable(db);
        if (next >= firstFreeOrderCounter(db, day)) {
            result = claimOrderCounter(db, day, next, claimant);
            return;
        }
        const QString number = buildOrderNumber(day, next);
        const QVariant holder =
            db.scalar(Statement(QStringLiteral("SELECT claimant FROM order_claims WHERE z=?"), {number}));
        const bool heldByAnother = !holder.isNull() && holder.toString() != claimant;
        if (heldByAnother &&
            db.scalar(Statement(QStringLiteral("SELECT 1 FROM data1 WHERE z=? LIMIT 1"), {number})).isNull())
            result = claimOrderCounter(db, day, next, claimant);
    });
    return result;
}

void OrderCounter::restore(long long counter, const QString &storedSaleDate)
{
    m_value = counter < 0 ? 0 : counter;
    m_saleDate = storedSaleDate;
}

void OrderCounter::startSale(const QString &saleDate, long long firstFree)
{
    if (saleDate != m_saleDate) {
        m_value = firstFree;
        m_saleDate = saleDate;
    }
}

void OrderCounter::raiseTo(long long firstFree)
{
    m_value = std::max(m_value, firstFree);
}
