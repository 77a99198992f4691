#pragma once

#include "data/statement.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class Database;
struct sqlite3;

// A trigram index over the texts of the sale lines that the sales details search for a typed
// substring (category, initials of name and model, code, customer, remark, order number), so a
// search of three characters or more reads the lines that hold the text's trigrams instead of
// every line. It is an SQLite FTS5 table with the trigram tokenizer over the rows of data1
// (external content: it keeps only the index), kept by three triggers of the program's own on
// data1, which fire for every writer of the file and are rolled back with the write.
//
// The index only narrows: the original `like` is applied to the lines it finds, so a search
// gives the rows the plain `like` gives, whatever the text (the index folds more letters than
// `like` does and matches across a NUL that `like` stops at; both only add candidates).
namespace saletextindex {

// The columns of data1 the index holds.
const QStringList &columns();
// The FTS5 table.
QString table();

// The statements that make the index in a database that has none of it: the table, its triggers,
// and the filling from the rows already there.
QStringList createStatements();

// Whether a schema object of sqlite_master (type, name, stored statement) is part of the index as
// the program makes it: its table, the tables FTS5 keeps for it, or one of its triggers word for
// word. A trigger of one of these names doing anything else is not.
bool isOwnObject(const QString &type, const QString &name, const QString &sql);
// Whether `name` is the index's table or one that FTS5 keeps for it.
bool isIndexTable(const QString &name);

// Whether the engine on `db` has FTS5 and its trigram tokenizer. Reads nothing of the file.
bool engineSupports(sqlite3 *db);

// How the index stands in the database on `db`.
enum class State {
    Complete, // the table and each trigger, as the program makes them
    Missing,  // none of it
    Partial,  // some of it (another program removed a trigger, say): what it holds cannot be trusted
    Foreign,  // an object of one of its names that the program did not make: left alone
};
State state(Database &db);

// Makes the index afresh in one transaction (when it is Missing or Partial): what stands of it is
// dropped, then it is made and filled from every sale line. Raises DbError; the database is then as it was.
void make(Database &db);

// The condition that narrows sale lines to the index's candidates for `typed` texts, each with
// the column it is searched in, and its one bound value; empty when none of the texts can use the
// index (fewer than three characters, or a NUL, which `like` does not read past).
Statement candidates(const std::vector<std::pair<QString, QString>> &typed);

} // namespace saletextindex
