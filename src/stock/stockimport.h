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

// Runs `read`, which hands the rows of a worksheet to the receiver it is given (a workbook reader),
// and appends each row to `data` of `db` as it comes, all in one transaction. Returns the number
// of stock rows written. Raises ConversionError for a value that does not fit its column,
// WorkbookError for a missing column or a worksheet without rows, DbError when the database
// refuses, or whatever `read` raises; in every case nothing is written.
int appendRows(Database &db, const std::function<void(SheetReceiver &)> &read);

// The spreadsheet letters of a column index: 0 -> "A", 25 -> "Z", 26 -> "AA".
QString columnLetters(int column);

} // namespace stockimport
