#pragma once

#include <QString>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// Reads on a connection the caller holds apart from the program's own (checks of a file before it
// is used, a second connection for the health check).
namespace rawsql {

// Runs `sql` with `param` bound to ?1 when it is not null and hands every row to `onRow`; a
// failure raises the engine's error as DbError.
void forEachRow(sqlite3 *db, const char *sql, const QString &param, const std::function<void(sqlite3_stmt *)> &onRow);

// Runs statements that return no rows; a failure raises the engine's error as DbError.
void execute(sqlite3 *db, const QString &sql);

// Binds `text` to parameter `index`; a NUL counts as no character, so it can neither cut the text
// short nor end a pattern early.
void bindText(sqlite3_stmt *stmt, int index, const QString &text);

// A column of the current row as text (NULL as empty text).
QString textOf(sqlite3_stmt *stmt, int column);

} // namespace rawsql
