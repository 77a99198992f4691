#pragma once

#include "stock/worksheet.h"

#include <QString>
#include <QStringList>
#include <functional>

class Database;

// Appending the rows of a worksheet to the stock rows (table `data`).
//
// The worksheet's first row names its columns; each further row becomes one stock row, stored as
// the worksheet holds it (nothing is computed) except that empty initials are made from the name
// and the model, so the row can be found by the initials search. Entirely empty rows are passed
// over. All rows are written in one transaction: a value that does not fit its column anywhere
// stops the import with a message naming the sheet row and column, and nothing is written.
namespace stockimport {

// The worksheet an import reads.
inline QString sheetName() { return QStringLiteral("pemrod"); }

// The worksheet's column names, in the order of the stock columns they fill (a b c d e f g 1 … 8 z
// day1).
QStringList sheetColumns();

// Told how the writing goes: rows written so far of `total`. Returns false to stop, which rolls
// everything back and raises ImportCancelled.
using WriteProgress = std::function<bool(int written, int total)>;

// Checks the column names, converts every row and appends the rows to `data` of `db` in one
// transaction. Returns the number of stock rows written. Raises ConversionError for a value that
// does not fit its column, WorkbookError for a missing column or a worksheet without rows, and
// DbError when the database refuses; in every case nothing is written.
int appendRows(Database &db, const Worksheet &sheet, const WriteProgress &progress = {});

// The spreadsheet letters of a column index: 0 -> "A", 25 -> "Z", 26 -> "AA".
QString columnLetters(int column);

} // namespace stockimport
