#pragma once

#include <QHash>
#include <QList>
#include <QString>

class Database;

// Codes for stock rows that have none, made from the row's key so a label can carry a barcode.
namespace generatedcodes {

// The code first tried for the stock row `key`: "20" (the range kept for a shop's own codes)
// followed by the key in at least eight digits.
QString forKey(long long key);

// Gives every stock row of `keys` that still has no code (c null or blank) a code of its own, in
// one transaction: the code of its key, or, when another row already holds that, the same with
// a number after it, never a code any stock row of the shop holds. The rows are read inside the
// transaction, so a code another program gave a row meanwhile is kept. On a server the other
// tills wait while the codes are chosen. Returns each row's code as stored (rows that no longer
// exist are left out); raises DbError and writes nothing when a write fails.
QHash<long long, QString> assign(Database &db, const QList<long long> &keys);

} // namespace generatedcodes
