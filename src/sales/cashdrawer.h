#pragma once

#include "counter/printerport.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct AppContext;
class Database;
namespace receipt {
struct PrinterChoice;
}

// The cash drawer wired to the receipt printer, and the record of every time it was opened
// (table drawer_openings), so the owner sees when it was opened without a sale.
namespace cashdrawer {

struct Opening {
    QDateTime at;
    QString user;
    QString orderNumber; // empty: opened by itself, without a sale

    bool operator==(const Opening &other) const = default;
};

// Sends `bytes`, which open the drawer, and records `opening` in the same transaction: the
// record stays exactly when every byte went out. Empty on success, otherwise the printer's
// cause; a database error is raised.
QString sendAndRecord(Database &db, const Opening &opening, const PrinterPort &port, const QByteArray &bytes,
                      int timeoutMs = kPrinterPortTimeoutMs);

// Every recorded opening, the latest first.
QList<Opening> openings(Database &db);

// "打开钱箱" in "设 置": opens the drawer by itself (for change) and records it. Only the
// superadministrator may, and only with a receipt printer chosen; every refusal and failure is told.
void openAlone(AppContext &ctx, const receipt::PrinterChoice &printer, int timeoutMs = kPrinterPortTimeoutMs);

// What the user is told when the receipt printer could not take a job.
QString notConnected(const QString &cause);

} // namespace cashdrawer
