#include "maintenance/automaticbackups.h"

#include "common/errors.h"
#include "maintenance/databasecopy.h"

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

QRegularExpression namePattern(const QString &databaseFile)
{
    return QRegularExpression(QStringLiteral("^%1-(\\d{8}-\\d{6})\\.db$")
                                  .arg(QRegularExpression::escape(stem(databaseFile))));
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
    static const QRegularExpression stamp(QStringLiteral("-(\\d{8}-\\d{6})\\.db$"));
    const QRegularExpressionMatch match = stamp.match(backup.fileName());
    return match.hasMatch() ? QDateTime::fromString(match.captured(1), kStampFormat) : QDateTime();
}

QString write(const QString &databaseFile, const QDateTime &now)
{
    const QString target = QDir(folder(databaseFile))
                               .filePath(QStringLiteral("%1-%2.db").arg(stem(databaseFile), now.toString(kStampFormat)));
    databasecopy::copy(databaseFile, target);
    const QFileInfoList backups = list(databaseFile);
    for (qsizetype i = kKept; i < backups.size(); ++i) {
        if (!QFile::remove(backups[i].absoluteFilePath()))
            throw UserVisibleError(QStringLiteral("自动备份已保存，但无法删除旧的备份 %1")
                                       .arg(QDir::toNativeSeparators(backups[i].absoluteFilePath())));
    }
    return target;
}

} // namespace automaticbackups
