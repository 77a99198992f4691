#include "maintenance/databasefilecheck.h"

#include "common/errors.h"
#include "data/rawsql.h"
#include "data/shopfilecheck.h"
#include "maintenance/sqliteconnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>

namespace databasefilecheck {

namespace {

constexpr char kHeader[] = "SQLite format 3"; // followed by a zero byte

} // namespace

QString problem(const QString &file)
{
    const QFileInfo info(file);
    const QString name = QDir::toNativeSeparators(file);
    if (!info.isFile())
        return QStringLiteral("文件 %1 不存在").arg(name);
    if (info.size() == 0)
        return QStringLiteral("文件 %1 是空的，不是数据库").arg(name);
    QFile raw(file);
    if (!raw.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取文件 %1：%2").arg(name, raw.errorString());
    if (raw.read(sizeof kHeader) != QByteArray(kHeader, sizeof kHeader))
        return QStringLiteral("文件 %1 不是数据库文件").arg(name);
    raw.close();

    try {
        SqliteConnection db(file, SQLITE_OPEN_READONLY, QStringLiteral("无法打开数据库 %1：%2"));
        QStringList findings;
        try {
            rawsql::forEachRow(db.handle(), "PRAGMA integrity_check(5)", {},
                               [&](sqlite3_stmt *stmt) { findings << rawsql::textOf(stmt, 0); });
        } catch (const DbError &) {
            return QStringLiteral("数据库 %1 已损坏：%2").arg(name, db.errorText());
        }
        if (findings != QStringList{QStringLiteral("ok")})
            return QStringLiteral("数据库 %1 已损坏：%2").arg(name, findings.join(QLatin1Char('\n')));
        if (const QString why = shopfilecheck::structureProblem(db.handle()); !why.isEmpty())
            return QStringLiteral("%1 不是本软件的数据库：%2").arg(name, why);
        // A restored file becomes the shop's database: it brings the shop's rows and nothing that
        // would act on them (a trigger runs with every sale or login) or ride along with them.
        if (const QStringList foreign = shopfilecheck::foreignObjects(db.handle(), true); !foreign.isEmpty())
            return QStringLiteral("%1 不能用来恢复：它%2").arg(name, shopfilecheck::describe(foreign));
        if (!shopfilecheck::hasSuperadministrator(db.handle()))
            return QStringLiteral("%1 不能用来恢复：其中没有用户“超级管理员”，恢复后将无人能够登录").arg(name);
    } catch (const UserVisibleError &e) {
        return e.text();
    }
    return {};
}

} // namespace databasefilecheck
