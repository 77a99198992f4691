#include "maintenance/automaticbackups.h"

#include "common/errors.h"
#include "maintenance/databasecopy.h"
#include "maintenance/serverbackup.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace automaticbackups {

namespace {

const QString kStampFormat = QStringLiteral("yyyyMMdd-hhmmss");

QString stem(const QString &databaseFile)
{
    return QFileInfo(databaseFile).completeBaseName();
}

// "db" for a database file, "dump" for a shop on a server.
QString suffix(const QString &databaseFile)
{
    const QString ending = QFileInfo(databaseFile).suffix();
    return ending.isEmpty() ? QStringLiteral("db") : ending;
}

QRegularExpression namePattern(const QString &databaseFile)
{
    return QRegularExpression(QStringLiteral("^%1-(\\d{8}-\\d{6})\\.%2$")
                                  .arg(QRegularExpression::escape(stem(databaseFile)),
                                       QRegularExpression::escape(suffix(databaseFile))));
}

QString targetOf(const QString &databaseFile, const QDateTime &now)
{
    return QDir(folder(databaseFile))
        .filePath(QStringLiteral("%1-%2.%3").arg(stem(databaseFile), now.toString(kStampFormat), suffix(databaseFile)));
}

void removeOld(const QString &databaseFile)
{
    const QFileInfoList backups = list(databaseFile);
    for (qsizetype i = kKept; i < backups.size(); ++i) {
        if (!QFile::remove(backups[i].absoluteFilePath()))
            throw UserVisibleError(QStringLiteral("自动备份已保存，但无法删除旧的备份 %1")
                                       .arg(QDir::toNativeSeparators(backups[i].absoluteFilePath())));
    }
}

} // namespace

QString folder(const QString &databaseFile)
{
    return QFileInfo(databaseFile).absoluteDir().filePath(QStringLiteral("备份"));
}

QFileInfoList list(const QString &databaseFile)
{
    const QRegularExpression pattern = namePattern(databaseFile);
    QFileInfoList backups;
    for (const QFileInfo &file : QDir(folder(databaseFile)).entryInfoList(QDir::Files, QDir::Name | QDir::Reversed)) {
        if (pattern.match(file.fileName()).hasMatch())
            backups << file;
    }
    return backups;
}

QDateTime writtenAt(const QFileInfo &backup)
{
    static const QRegularExpression stamp(QStringLiteral("-(\\d{8}-\\d{6})\\.(?:db|dump)$"));
    const QRegularExpressionMatch match = stamp.match(backup.fileName());
    return match.hasMatch() ? QDateTime::fromString(match.captured(1), kStampFormat) : QDateTime();
}

QString write(const QString &databaseFile, const QDateTime &now)
{
    const QString target = targetOf(databaseFile, now);
    databasecopy::copy(databaseFile, target);
    removeOld(databaseFile);
    return target;
}

QString writeDump(const QString &conninfo, const QString &placeholderFile, const QDateTime &now, int timeoutMs)
{
    const QString target = targetOf(placeholderFile, now);
    serverbackup::dump(conninfo, target, {}, timeoutMs);
    removeOld(placeholderFile);
    return target;
}

} // namespace automaticbackups
