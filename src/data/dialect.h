#pragma once

#include <QString>

// The few statement pieces whose form depends on the database engine, written once for SQLite.
// Dates are stored as "yyyy-mm-dd" text, so date bounds are plain text comparisons.
namespace dialect {

// Integer year, month and day of a date column, e.g. year("day1").
QString year(const QString &column);
QString month(const QString &column);
QString day(const QString &column);

// A placeholder for a typed whole number compared with the functions above: "2", "02" and
// " 2" all compare equal to month 2.
QString typedNumber();

// "column like ? escape '\'": the bound pattern comes from contains() or startsWith().
QString like(const QString &column);
// Patterns that match the typed text literally ("%" and "_" are just characters) ...
QString contains(const QString &typed);
QString startsWith(const QString &typed);

// The pieces that differ between a shop file (SQLite) and a server (PostgreSQL).

// The whole number the digits of `column` make from character `from` (1-based) on, up to the
// first character that is no digit; null when there is none.
QString leadingInteger(const QString &column, int from, bool onServer);
// A query giving 1 when the database holds table `name` and 0 when not.
QString tableCount(bool onServer);
// What turns a query of one stored row into one that keeps the row from other programs' writes
// until the group of writes ends: appended to the query.
QString lockingRead(bool onServer);

} // namespace dialect
