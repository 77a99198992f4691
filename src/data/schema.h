#pragma once

#include "data/statement.h"

#include <QStringList>

// The program's four tables, with the column names stored files depend on.
namespace schema {

// Statements that create the tables of a new shop database.
QStringList createStatements();

// Adds the superadministrator, whose password is kept as `passwordHash`.
Statement firstUser(const QString &passwordHash);

// Indexes that speed up reading; made for new databases and, when missing, at every open.
// CREATE INDEX IF NOT EXISTS, so running them on a database that has them costs nothing.
QStringList indexStatements();

// The tables a database must hold to be one of this program's.
QStringList requiredTables();

} // namespace schema
