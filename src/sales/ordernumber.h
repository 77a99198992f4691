#pragma once

#include <QDate>
#include <QString>

class Database;

// A sales order number: year, month and day of the computer's date ("20140729") followed by the
// order counter with at least three digits ("007"; 1000 and more are written in full).
QString buildOrderNumber(const QDate &today, long long counter);

// The first counter of `day` above every order number of that day already stored in `data1` or
// opened by a program sharing the file (1 when there is none): a new order taking it never joins
// another customer's lines.
long long firstFreeOrderCounter(Database &db, const QDate &day);

// Opens a new order of `day` for the program run `claimant`: the first counter not below `atLeast`
// and not below firstFreeOrderCounter(). Looking it up and recording the claim are one
// transaction, so two programs opening orders at the same moment get different numbers, and
// neither reuses the other's number while it has no line yet.
long long claimOrderCounter(Database &db, const QDate &day, long long atLeast, const QString &claimant);

// "+": the counter after `counter` for `claimant`. An order that has lines, a number of its own
// and a number nobody opened are moved to as they are; a number another program has opened for an
// order it has not sold into yet is passed over for a new order of this program's.
long long nextOrderCounter(Database &db, const QDate &day, long long counter, const QString &claimant);

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
    // Whether startSale() with `saleDate` starts a new day's numbering.
    bool isNewDay(const QString &saleDate) const { return saleDate != m_saleDate; }
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
