#pragma once

#include <QDate>
#include <QString>

class Database;

// A sales order number: year, month and day of the computer's date ("20140729") followed by the
// order counter with at least three digits ("007"; 1000 and more are written in full).
QString buildOrderNumber(const QDate &today, long long counter);

// The first counter of `day` above every order number of that day already stored in `data1`
// (1 when there is none): a new order taking it never joins another customer's lines.
long long firstFreeOrderCounter(Database &db, const QDate &day);

// The order counter of the sale panel with the sale date it was last compared with. The counter
// never goes below 0.
class OrderCounter {
public:
    // `counter` is the stored counter plus one (or 1); `storedSaleDate` the sale date shown when
    // the program last closed (empty when none was stored: then it matches no date).
    void restore(long long counter, const QString &storedSaleDate);

    long long value() const { return m_value; }
    QString text() const { return QString::number(m_value); }
    const QString &comparedSaleDate() const { return m_saleDate; }

    // At the start of a sale: when the sale date differs from the one compared, a new day's
    // numbering starts at `firstFree` and the new date becomes the one compared, so a later "+"
    // is not undone by the next sale of the same day.
    void startSale(const QString &saleDate, long long firstFree);
    // A new order: the counter moves up to `firstFree` when it is below it.
    void raiseTo(long long firstFree);
    void next() { ++m_value; }
    void previous()
    {
        if (m_value > 0)
            --m_value;
    }

private:
    long long m_value = 1;
    QString m_saleDate;
};
