#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QVariantHash>

// What happened to the shop's data, announced by the window that did it. Windows never call one
// another; whoever shows the data listens here. Who refreshes what, and in which order, is wired
// in one place of the application.
class ShopEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // Stock rows were added or changed outside the main grid: the full stock list is shown again.
    void stockRowsChanged();
    // A sale line was posted through "销售确认" into the order `orderNumber`, selling from the
    // stock row with the key `stockKey`.
    void salePosted(const QString &orderNumber, long long stockKey);
    // Sale lines were written or removed by a smaller step than a full posting (the reduced
    // post, "增加销售", a correction): the views of sale lines list them again.
    void saleLinesChanged();
    // The sale line with the key `lineKey`, sold on `saleDate`, was deleted (an invalid date when
    // its stored date is none): what lists it drops it, the charts of that date are totalled again.
    void saleLineDeleted(long long lineKey, const QDate &saleDate);
    // The figures of the stock row with the key `key` were written outside the main grid (a deleted
    // sale line given back); `before` holds the written columns as they were, by column name.
    // Whoever shows the row reads it again, taking those values out of its sums.
    void stockRowWritten(long long key, const QVariantHash &before);
    // Order numbers or customer fields of a sale line were corrected in place: what lists the
    // lines of an order reads them again; the sales details keep the rows they show.
    void saleLinesEdited();
    // The database connection was closed and opened again (backup and restore): everything shown
    // is read again.
    void databaseReopened();
    // A backup was put in the place of the database (announced before databaseReopened): this
    // run's login and order numbering start again in the restored file.
    void databaseRestored();
    // Another program sharing the database file wrote to it (a sale, a stock-in, a correction, an
    // import): what is shown is read again, each view keeping its listing, order and current row.
    void writtenElsewhere();
    // The shop moved to another database (to a server): the program closes normally and starts
    // again on it.
    void restartRequested();
    // A save succeeded: `text` is shown in the success prompt for two seconds.
    void succeeded(const QString &text);
};
