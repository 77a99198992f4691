#pragma once

#include <QHash>
#include <optional>
#include <QString>
#include <QStringList>

class Database;

// The sums of some number columns over every row of a table, always current, so a listing of
// the whole table can show its footer sums without reading each row's numbers. Temporary
// triggers on the program's connection add each inserted, changed or deleted row's values to a
// temporary table as it is written; being part of the write, they are rolled back with it. The
// sums are kept as Dataset::sums keeps them: each value rounded to ten-thousandths, added up
// exactly. Nothing is stored in the database file. Writes of other programs sharing the file fire
// no trigger here: when the file's data version shows one, the sums are read from the rows again.
// On a server the server sums the table at each reading, with the same rounding.
class TableTotals {
public:
    TableTotals(Database &db, QString table, QStringList columns);

    // Sum of each column in ten-thousandths, by column name. The first reading on a connection
    // reads every row once and sets the triggers up.
    QHash<QString, long long> sums();
    // The sums when they are known without reading the rows: kept on this connection, and no other
    // program has written since (on a server: always, as sums()). Nothing otherwise.
    std::optional<QHash<QString, long long>> knownSums();
    // Takes `sums`, counted from every row by a reading that began when the file's data version was
    // `versionBefore` (Database::dataVersion), as the table's and keeps them from now on, so a
    // listing of every row that counted them anyway spares the first reading its own pass. When
    // another program has written since that reading began they are counted from the rows instead.
    void adopt(const QHash<QString, long long> &sums, long long versionBefore);

private:
    QString totalsTable() const;
    bool isSetUp();
    // Makes the temporary table and its triggers, inside the caller's transaction.
    void setUp();
    // The temporary table's sums.
    QHash<QString, long long> stored();

    // Sums every row into the temporary table, which must exist.
    void recount();

    Database &m_db;
    QString m_table;
    QStringList m_columns;
    int m_generation = -1;    // the connection the data version below belongs to
    long long m_version = -1; // the file's data version when the sums were last counted from the rows
};
