#include "sales/ordernumber.h"

QString buildOrderNumber(const QDate &today, int counter)
{
    return today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("%1").arg(counter, 3, 10, QLatin1Char('0'));
}

void OrderCounter::restore(int counter, const QString &storedSaleDate)
{
    m_value = counter < 0 ? 0 : counter;
    m_saleDate = storedSaleDate;
}

void OrderCounter::startSale(const QString &saleDate)
{
    if (saleDate != m_saleDate) {
        m_value = 1;
        m_saleDate = saleDate;
    }
}
