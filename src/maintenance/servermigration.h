#pragma once

#include <functional>

class Database;

// Moving a shop between its file and a server: the rows of the four tables go across in one
// transaction, keys included, and are then compared — the row count of every table and the sum
// of every number column, in the program's rounding — before the transaction is committed. Any
// difference, or a value the target cannot hold, rolls everything back with a message naming it.
namespace servermigration {

// Rows copied so far and in all; returning false stops the copy, which then rolls back.
using CopyProgress = std::function<bool(long long done, long long total)>;

// What went across: the rows of each table.
struct Copied {
    long long stockRows = 0; // data
    long long saleLines = 0; // data1
    long long users = 0;     // userdb
    long long logins = 0;    // rz
};

// Copies the rows of the shop `from` into the shop `to`, which must hold no stock rows, sale lines
// or login records yet (a shop just made: only its first user). The users of `to` are replaced
// by those of `from`. The rows are read from one moment of `from`: other programs writing to it
// wait (a file) or are not seen (a server) until the copy has ended. Raises DbError naming what
// went wrong, also when stopped through `progress`; `to` is then as it was.
Copied copyShop(Database &from, Database &to, const CopyProgress &progress = {});

} // namespace servermigration
