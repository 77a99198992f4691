#pragma once

#include "data/statement.h"

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

// Statements that create the tables of a new shop database.
QStringList createStatements();

// Tables the program keeps for itself beside the four: made for new databases and, when missing,
// at every open and before their first use, so a file made before them is used as it is. None is
// required of a file.
struct ProgramTable {
    QString name;
    QString statement; // CREATE TABLE IF NOT EXISTS
};
const std::vector<ProgramTable> &programTables();
QStringList programTableStatements();

// Adds the superadministrator, whose password is kept as `passwordHash`.
Statement firstUser(const QString &passwordHash);

// Indexes that speed up reading; made for new databases and, when missing, at every open.
// CREATE INDEX IF NOT EXISTS, so running them on a database that has them costs nothing.
QStringList indexStatements();
// Their names, in the same order.
QStringList indexNames();

} // namespace schema
