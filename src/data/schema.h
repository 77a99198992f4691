#pragma once

#include <QStringList>

// The program's four tables, with the column names stored files depend on.
namespace schema {

// Statements that create the tables and the first user of a new shop database.
QStringList createStatements();

// The tables a database must hold to be one of this program's.
QStringList requiredTables();

} // namespace schema
