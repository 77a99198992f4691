#include "sales/cashdrawer.h"

#include "common/appcontext.h"
#include "counter/escpos.h"
#include "common/guard.h"
#include "common/messages.h"
#include "common/shopevents.h"
#include "common/clock.h"
#include "data/database.h"
#include "data/schema.h"
#include "sales/thermalreceipt.h"

namespace cashdrawer {
namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// A file opened before the table existed and could not be given it at open gets it here.
void ensureTable(Database &db)
{
    if (db.onServer())
        return; // made with the database and at every open
    for (const schema::ProgramTable &table : schema::programTables()) {
        if (table.name == QLatin1String("drawer_openings"))
            db.execute(Statement(table.statement));
    }
}

} // namespace

QString sendAndRecord(Database &db, const Opening &opening, const PrinterPort &port, const QByteArray &bytes,
                      int timeoutMs)
{
    ensureTable(db);
    Transaction tx(db);
    db.execute(Statement(QStringLiteral("INSERT INTO drawer_openings (opened_at, username, z) VALUES (?, ?, ?)"),
                         {opening.at.toString(kTimeFormat), opening.user,
                          opening.orderNumber.isEmpty() ? QVariant() : QVariant(opening.orderNumber)}));
    const QString failure = sendToPrinterPort(port, bytes, timeoutMs);
    if (failure.isEmpty())
        tx.commit();
    return failure; // not sent: the record is rolled back with the transaction
}

QList<Opening> openings(Database &db)
{
    ensureTable(db);
    QList<Opening> list;
    db.query(Statement(QStringLiteral("SELECT opened_at, username, z FROM drawer_openings ORDER BY id DESC")),
             [&](const ResultRow &row) {
                 list << Opening{QDateTime::fromString(row.text(0), kTimeFormat), row.text(1), row.text(2)};
             });
    return list;
}

QString notConnected(const QString &cause)
{
    return QStringLiteral("小票打印机没有连接：") + cause;
}

void openAlone(AppContext &ctx, const receipt::PrinterChoice &printer, int timeoutMs)
{
    if (!ctx.session.isSuperAdmin()) {
        ctx.messages.info(QStringLiteral("只有超级管理员可以打开钱箱"));
        return;
    }
    if (!printer.thermal) {
        ctx.messages.info(QStringLiteral("钱箱接在小票打印机上：请先在“打印设置”里选择小票打印机"));
        return;
    }
    guarded(ctx.messages, [&] {
        const QByteArray bytes = escpos::initialise() + escpos::drawerPulse();
        const QString failure =
            sendAndRecord(ctx.db, Opening{ctx.clock.now(), ctx.session.userName, {}}, printer.port, bytes, timeoutMs);
        if (!failure.isEmpty()) {
            ctx.messages.error(notConnected(failure));
            return;
        }
        emit ctx.events.succeeded(QStringLiteral("钱箱已打开"));
    });
}

} // namespace cashdrawer
