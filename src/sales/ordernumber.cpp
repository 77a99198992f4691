#include "sales/ordernumber.h"

#include "data/database.h"
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
    for (const QString &sql : schema::programTableStatements())
        db.execute(Statement(sql));
}

bool hasClaimsTable(Database &db)
{
    return db.scalar(Statement(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                                              "name='order_claims'")))
               .toInt() > 0;
}

// The highest counter among the order numbers of `table` that continue `prefix` in digits.
QVariant highestCounter(Database &db, const QString &table, const QString &prefix)
{
    // The counter is everything after the eight date digits; the prefix match can use the index
    // on `z`. Numbers typed by hand that do not continue in digits count as no counter.
    return db.scalar(Statement(
        QStringLiteral("SELECT max(CAST(substr(z, 9) AS INTEGER)) FROM %1 WHERE z GLOB ?").arg(table),
        {prefix + QStringLiteral("[0-9]*")}));
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
