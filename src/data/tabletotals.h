#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class Database;

// The sums of some number columns over every row of a table, always current, so a listing of
// the whole table can show its footer sums without reading each row's numbers. Temporary
// triggers on the program's connection add each inserted, changed or deleted row's values to a
// temporary table as it is written; being part of the write, they are rolled back with it. The
// sums are kept as Dataset::sums keeps them: each value rounded to ten-thousandths, added up
// exactly. Nothing is stored in the database file.
class TableTotals {
public:
    TableTotals(Database &db, QString table, QStringList columns);

    // Sum of each column in ten-thousandths, by column name. The first reading on a connection
    // reads every row once and sets the triggers up.
    QHash<QString, long long> sums();

private:
    QString totalsTable() const;
    void setUp();

    Database &m_db;
    QString m_table;
    QStringList m_columns;
};
