#pragma once

#include <QDate>
#include <QString>

// A sales order number: year, month and day of the computer's date ("20140729") followed by the
// order counter with at least three digits ("007"; 1000 and more are written in full).
QString buildOrderNumber(const QDate &today, int counter);

// The order counter of the sale panel with the sale date it was last compared with. A new day
// starts again at 1; the counter never goes below 0.
class OrderCounter {
public:
    // `counter` is the stored counter plus one (or 1); `storedSaleDate` the sale date shown when
    // the program last closed (empty when none was stored: then it matches no date).
    void restore(int counter, const QString &storedSaleDate);

    int value() const { return m_value; }
    QString text() const { return QString::number(m_value); }
    const QString &comparedSaleDate() const { return m_saleDate; }

    // At the start of a sale: when the sale date differs from the one compared, the counter
    // goes back to 1 and the new date becomes the one compared, so a later "+" is not undone by
    // the next sale of the same day.
    void startSale(const QString &saleDate);
    void next() { ++m_value; }
    void previous()
    {
        if (m_value > 0)
            --m_value;
    }

private:
    int m_value = 1;
    QString m_saleDate;
};
