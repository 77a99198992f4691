#pragma once

#include <QStringList>
#include <vector>

// The program's four tables, with the column names stored files depend on.
namespace schema {

struct Table {
    QString name;
    QStringList columns; // in table order
};

// The four tables and their columns: what a new database gets and what a file must hold to be
// one of this program's.
const std::vector<Table> &tables();

// Statements that create the tables and the first user of a new shop database.
QStringList createStatements();

// Indexes that speed up reading; made for new databases and, when missing, at every open.
// CREATE INDEX IF NOT EXISTS, so running them on a database that has them costs nothing.
QStringList indexStatements();
// Their names, in the same order.
QStringList indexNames();

} // namespace schema
