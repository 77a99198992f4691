#pragma once

class Database;

// Moving a shop between its file and a server: the rows of the four tables go across in one
// transaction, keys included, and are then compared — the row count of every table and the sum
// of every number column, in the program's rounding — before the transaction is committed. Any
// difference, or a value the target cannot hold, rolls everything back with a message naming it.
namespace servermigration {

// Copies the rows of the shop `from` into the shop `to`, which must hold no stock rows, sale lines
// or login records yet (a shop just made: only its first user). The users of `to` are replaced
// by those of `from`.
void copyShop(Database &from, Database &to);

} // namespace servermigration
