#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// What a database file holds besides the shop's data, read from its schema on a connection the
// caller holds. One place decides what makes a file one of this program's, for the start-up, the
// restore and the import target alike.
namespace shopfilecheck {

// Why the database on `db` is not one of this program's: one of the four tables missing (or not a
// table), or one of their columns missing. Empty when it is one. Raises DbError when the schema
// cannot be read.
QString structureProblem(sqlite3 *db);

// Objects of the database that this program did not make and that act on their own: triggers
// (which run with every write) and views, as "触发器 t1" / "视图 v". With `withTables`, tables
// that are not the program's are named too ("数据表 x"). Raises DbError when the schema cannot be
// read.
QStringList foreignObjects(sqlite3 *db, bool withTables);

// The sentence that names `objects` for the person deciding about them.
QString describe(const QStringList &objects);

// True when the user table holds the superadministrator with a password, so someone can log in
// and reach the upkeep windows.
bool hasSuperadministrator(sqlite3 *db);

// Drops the triggers and views of foreignObjects(db, false) in one transaction. Raises DbError
// when they cannot be dropped; nothing is dropped then.
void removeForeignObjects(sqlite3 *db);

} // namespace shopfilecheck
