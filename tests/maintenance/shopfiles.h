#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Real files for the backup and restore tests: shop databases, and files that only look like one.
namespace shopfiles {

QByteArray bytesOf(const QString &file);
void writeBytes(const QString &file, const QByteArray &bytes);
// Every name in the folder, hidden ones too.
QStringList namesIn(const QString &folder);

// A new shop database with `stockRows` stock rows named "商品1", "商品2" …, each with a long
// remark so that the file spans many pages.
void makeShop(const QString &file, int stockRows);
int stockRows(const QString &file);
int saleLines(const QString &file);

// Files that are not a whole shop database, each made at `file`.
void makeEmpty(const QString &file);
void makeText(const QString &file);
// A shop database cut off in the middle.
void makeTruncated(const QString &file);
// An SQLite database of another program.
void makeForeign(const QString &file);
// A shop database whose user table lacks the password column.
void makeWithoutPasswords(const QString &file);
// Shop databases carrying what another hand put there: a trigger that empties the stock at the
// next sale, a trigger that adds a user at every login, the stock table replaced by a view, a
// table of another program, and no superadministrator.
void makeWithStockEraser(const QString &file);
void makeWithBackdoorUser(const QString &file);
void makeWithStockView(const QString &file);
void makeWithOtherTable(const QString &file);
void makeWithoutSuperadministrator(const QString &file);
// A shop database with a page overwritten by noise.
void makeDamaged(const QString &file);

} // namespace shopfiles
