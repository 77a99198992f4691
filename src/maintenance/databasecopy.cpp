#include "maintenance/databasecopy.h"

#include "common/errors.h"
#include "maintenance/safefile.h"
#include "maintenance/sqliteconnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace databasecopy {

namespace {

// Pages copied per step: small enough that the progress moves and a cancel is heard at once.
constexpr int kPagesPerStep = 64;
// How often a step waits for a source that another connection is writing, 50 ms each.
constexpr int kBusyRetries = 100;

} // namespace

bool write(const QString &source, const QString &file, const CopyProgress &progress)
{
    const QString target = QDir::toNativeSeparators(file);
    if (QFileInfo::exists(file))
        throw UserVisibleError(QStringLiteral("文件 %1 已经存在").arg(target));
    bool complete = false;
    try {
        SqliteConnection from(source, SQLITE_OPEN_READONLY, QStringLiteral("无法打开数据库 %1：%2"));
        SqliteConnection to(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, QStringLiteral("无法写入 %1：%2"));
        sqlite3_backup *backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
        if (!backup)
            throw UserVisibleError(QStringLiteral("无法写入 %1：%2").arg(target, to.errorText()));
        int rc = SQLITE_OK;
        int waits = 0;
        bool cancelled = false;
        while (true) {
            rc = sqlite3_backup_step(backup, kPagesPerStep);
            if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && waits++ < kBusyRetries) {
                sqlite3_sleep(50);
                continue;
            }
            if (rc != SQLITE_OK)
                break;
            const int total = sqlite3_backup_pagecount(backup);
            if (progress && !progress(total - sqlite3_backup_remaining(backup), total)) {
                cancelled = true;
                break;
            }
        }
        const int finished = sqlite3_backup_finish(backup);
        if (cancelled) {
            to.close();
            safefile::removeWithJournal(file);
            return false;
        }
        if (rc != SQLITE_DONE || finished != SQLITE_OK) {
            const QString why = rc == SQLITE_DONE ? to.errorText() : SqliteConnection::causeText(rc);
            throw UserVisibleError(QStringLiteral("无法复制数据库 %1：%2").arg(QDir::toNativeSeparators(source), why));
        }
        if (!to.close())
            throw UserVisibleError(QStringLiteral("无法写入 %1").arg(target));
        safefile::flush(file);
        complete = true;
    } catch (...) {
        if (!complete)
            safefile::removeWithJournal(file);
        throw;
    }
    return true;
}

bool copy(const QString &source, const QString &target, const CopyProgress &progress)
{
    safefile::makeFolderFor(target);
    safefile::removeLeftoversIn(QFileInfo(target).absolutePath());
    const QString temporary = safefile::temporaryNameBeside(target);
    if (!write(source, temporary, progress))
        return false;
    try {
        safefile::replace(temporary, target);
    } catch (...) {
        safefile::removeWithJournal(temporary);
        throw;
    }
    return true;
}

} // namespace databasecopy
