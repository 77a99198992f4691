#pragma once

#include <QStringList>

class Database;
class Dataset;
struct Statement;

// The stock rows totalled per article (name, model, code and category; a missing text and an
// empty one name the same article), with the sums of what was bought, sold and is left.
//
// The rows are read once and grouped in memory: the database's GROUP BY sorts a key of every
// stock row and steps an aggregate through each, which costs several times the reading. The lines
// are what the statement() gives on either engine: one per article in the byte order of the
// texts' UTF-8 (SQLite's BINARY order, the server's "C" collation), each sum as sum() makes it —
// the values present added in the order of the rows' keys, a missing one adding nothing, a text
// counted as the number the engine reads from it; no value present gives a missing sum; whole
// numbers only give a whole number.
namespace articletotals {

// The statement whose result the lines are.
Statement statement();
// The names of a line's values: a, b, c, d, then the sums of [2], [3], [5], [6], [7], [8].
QStringList columns();
// Loads one line per article into `lines`, in the statement's order; the first line current.
void load(Dataset &lines);

} // namespace articletotals
