#include "sales/ordernumber.h"

#include "data/database.h"

#include <algorithm>

QString buildOrderNumber(const QDate &today, long long counter)
{
    return today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("%1").arg(counter, 3, 10, QLatin1Char('0'));
}

long long firstFreeOrderCounter(Database &db, const QDate &day)
{
    // The counter is everything after the eight date digits; the prefix match can use the index
    // on `z`. Numbers typed by hand that do not continue in digits count as no counter.
    const QString prefix = day.toString(QStringLiteral("yyyyMMdd"));
    const QVariant highest = db.scalar(
        Statement(QStringLiteral("SELECT max(CAST(substr(z, 9) AS INTEGER)) FROM data1 WHERE z GLOB ?"),
                  {prefix + QStringLiteral("[0-9]*")}));
    return highest.isNull() ? 1 : std::max(0LL, highest.toLongLong()) + 1;
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
