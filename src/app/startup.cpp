#include "app/startup.h"

#include "app/healthgate.h"
#include "common/errors.h"
#include "common/messages.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "maintenance/automaticbackups.h"
#include "maintenance/connectionchoice.h"
#include "maintenance/serverfields.h"
#include "maintenance/safefile.h"
#include "maintenance/serverbackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QFont>
#include <QFontDatabase>

namespace {

// A shop on a server: its database is opened; an empty one is made a shop when the person says so.
// The server looks after its files itself: there is no file to check or to clean up here.
bool openServerShop(Database &db, Messages &messages, bool createWithoutAsking)
{
    try {
        try {
            db.open();
        } catch (const EmptyServerDatabaseError &) {
            const bool create = createWithoutAsking ||
                                messages.confirmYesNo(QStringLiteral("新建数据库"),
                                                      QStringLiteral("服务器上的这个数据库是空的（%1）。\n"
                                                                     "是否在其中建立一个新的空店铺数据库？")
                                                          .arg(pgsql::readableAddress(db.fileName())));
            if (!create) {
                messages.error(QStringLiteral("服务器上没有店铺数据库，程序不能启动。"));
                return false;
            }
            db.create();
        }
        return true;
    } catch (const DbError &e) {
        messages.error(e.text());
        return false;
    }
}

} // namespace

std::unique_ptr<Database> chooseShopDatabase(const QStringList &arguments, Settings &settings,
                                             const std::function<bool(const QString &reason)> &askAgain)
{
    const qsizetype serverAt = arguments.indexOf(QStringLiteral("--server"));
    QString conninfo = serverAt >= 0 && serverAt + 1 < arguments.size() ? arguments.at(serverAt + 1) : QString();
    for (;;) {
        if (conninfo.isEmpty()) {
            const ConnectionChoice choice = ConnectionChoice::stored(settings);
            if (!choice.onServer)
                return std::make_unique<Database>();
            conninfo = choice.conninfo();
        }
        // An empty database is no reason to ask: the opening offers to make the shop in it.
        bool empty = false;
        const QString problem = serverProblem(conninfo, &empty);
        if (problem.isEmpty() || empty)
            return std::make_unique<Database>(ServerAddress{conninfo});
        if (!askAgain(problem))
            return nullptr;
        // From here on the choice the person just made stands.
        conninfo.clear();
    }
}

bool openShopDatabase(Database &db, Messages &messages, bool createWithoutAsking, HealthGate *health)
{
    if (db.onServer())
        return openServerShop(db, messages, createWithoutAsking);
    try {
        if (!db.exists()) {
            const bool create =
                createWithoutAsking ||
                messages.confirmYesNo(QStringLiteral("新建数据库"),
                                      QStringLiteral("当前文件夹中没有数据库文件 %1。\n是否创建一个新的空数据库？")
                                          .arg(db.fileName()));
            if (!create) {
                messages.error(QStringLiteral("没有数据库文件 %1，程序不能启动。").arg(db.fileName()));
                return false;
            }
            db.create();
            db.close();
        }
        // Copies a crash or a kill cut short (a restore's new file) are removed before anything else.
        safefile::removeLeftoversIn(QFileInfo(db.fileName()).absolutePath());
        try {
            Database::requireShopDatabase(db.fileName(), db.busyTimeout());
        } catch (const ForeignObjectsError &e) {
            // Triggers and views that another hand put into the file would run with every sale
            // and login: they are named, and removed only when the person says so.
            if (!messages.confirmYesNo(QStringLiteral("数据库中有不明对象"),
                                       e.text() + QStringLiteral("\n是否删除这些对象后继续？\n选“否”程序退出，数据库保持原样。")))
                return false;
            Database::removeForeignObjects(db.fileName(), db.busyTimeout());
        }
        if (health)
            health->start();
        db.open();
        return true;
    } catch (const DbError &e) {
        // Without a database the program cannot offer its own restore: the user copies a backup.
        const bool damaged = e.cause() == DbError::Cause::Damaged && !db.isOpen();
        messages.error(damaged ? e.text() + QStringLiteral("\n请把最近的备份文件复制为 %1 后再启动程序。").arg(db.fileName())
                               : e.text());
        return false;
    }
}

void writeAutomaticBackup(const QString &databaseFile, const QDateTime &now, Messages &messages)
{
    try {
        automaticbackups::write(databaseFile, now);
    } catch (const UserVisibleError &e) {
        messages.warning(QStringLiteral("自动备份没有完成：%1\n\n数据库 %2 没有受到影响，今天的数据都还在。"
                                        "请腾出磁盘空间或检查备份文件夹，下次可在“数据备份”中手动备份。")
                             .arg(e.text(), QFileInfo(databaseFile).fileName()));
    }
}

void writeAutomaticBackup(const Database &db, const QString &workingFolder, const QDateTime &now, Messages &messages)
{
    if (!db.onServer()) {
        writeAutomaticBackup(db.fileName(), now, messages);
        return;
    }
    // The program is closing: a server that does not answer is not waited for long.
    constexpr int kTimeoutMs = 5 * 60 * 1000;
    try {
        automaticbackups::writeDump(db.fileName(), serverbackup::placeholderFile(workingFolder), now, kTimeoutMs);
    } catch (const UserVisibleError &e) {
        messages.warning(QStringLiteral("自动备份没有完成：%1\n\n服务器上的数据库没有受到影响，今天的数据都还在。"
                                        "请检查备份文件夹和数据库服务器，下次可在“数据备份”中手动备份。")
                             .arg(e.text()));
    }
}

void startProgramAgain(const QStringList &arguments, Messages &messages)
{
    QStringList again = arguments.mid(1);
    const qsizetype serverAt = again.indexOf(QStringLiteral("--server"));
    if (serverAt >= 0)
        again.remove(serverAt, std::min<qsizetype>(2, again.size() - serverAt));
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), again, QDir::currentPath()))
        messages.warning(QStringLiteral("程序没能自动重新启动，请手动启动程序。"));
}

void installFontSubstitutions()
{
    const QStringList families = QFontDatabase::families();
    QString cjk;
    // 宋体 is fixed-pitch (a Latin letter takes half the width of a Chinese character), which the
    // columns of the till receipt rely on: a fixed-pitch CJK font comes first.
    for (const QString &candidate : {QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("WenQuanYi Micro Hei"),
                                     QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                                     QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")}) {
        if (families.contains(candidate)) {
            cjk = candidate;
            break;
        }
    }
    if (cjk.isEmpty())
        return;
    for (const QString &name : {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("新宋体")})
        QFont::insertSubstitution(name, cjk);
}
