#include "maintenance/safefile.h"

#include "common/errors.h"
#include "maintenance/openfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace safefile {

namespace {

QString systemText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// fsync of an open descriptor of `path`; `folder` opens it as a folder.
void syncPath(const QString &path, bool folder)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), folder ? (O_RDONLY | O_DIRECTORY) : O_RDWR);
    if (fd < 0)
        throw UserVisibleError(QStringLiteral("无法打开 %1：%2").arg(path, systemText()));
    const int rc = ::fsync(fd);
    const QString why = rc == 0 ? QString() : systemText();
    ::close(fd);
    if (rc != 0)
        throw UserVisibleError(QStringLiteral("无法把 %1 写入磁盘：%2").arg(path, why));
}

} // namespace

QString temporaryNameBeside(const QString &target)
{
    const QFileInfo info(target);
    return info.absoluteDir().filePath(QStringLiteral(".%1.%2.tmp")
                                           .arg(info.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(12)));
}

int removeLeftoversIn(const QString &folder)
{
    constexpr qint64 kSettleSeconds = 60;
    // The names temporaryNameBeside() gives, and the journal SQLite writes beside such a file.
    static const QRegularExpression ownName(QStringLiteral("^\\..+\\.[0-9a-f]{12}\\.tmp(-journal)?$"));
    const QDir dir(folder);
    int removed = 0;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ownName.match(name).hasMatch())
            continue;
        const QString path = dir.filePath(name);
        // A copy that a program is writing at this moment, or one it has just written and is
        // about to rename, is not left over.
        const QDateTime written = QFileInfo(path).lastModified();
        if (written.secsTo(QDateTime::currentDateTime()) < kSettleSeconds || !openfiles::processesHolding(path).isEmpty())
            continue;
        removed += QFile::remove(path);
    }
    return removed;
}

void makeFolderFor(const QString &file)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo(folder).isDir())
        return;
    if (!QDir().mkpath(folder))
        throw UserVisibleError(QStringLiteral("无法建立文件夹 %1").arg(QDir::toNativeSeparators(folder)));
}

void flush(const QString &file)
{
    syncPath(file, false);
}

void replace(const QString &source, const QString &target)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    if (std::rename(from.constData(), to.constData()) != 0)
        throw UserVisibleError(QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(target), systemText()));
    syncPath(QFileInfo(target).absolutePath(), true);
}

void copy(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw UserVisibleError(QStringLiteral("无法读取 %1：%2").arg(QDir::toNativeSeparators(source), in.errorString()));
    makeFolderFor(target);
    const QString temporary = temporaryNameBeside(target);
    QFile out(temporary);
    try {
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw UserVisibleError(
                QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(target), out.errorString()));
        QByteArray chunk;
        while (!(chunk = in.read(1 << 20)).isEmpty()) {
            if (out.write(chunk) != chunk.size())
                throw UserVisibleError(
                    QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(target), out.errorString()));
        }
        if (in.error() != QFileDevice::NoError)
            throw UserVisibleError(
                QStringLiteral("无法读取 %1：%2").arg(QDir::toNativeSeparators(source), in.errorString()));
        if (!out.flush())
            throw UserVisibleError(
                QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(target), out.errorString()));
        out.close();
        flush(temporary);
        replace(temporary, target);
    } catch (...) {
        out.close();
        QFile::remove(temporary);
        throw;
    }
}

bool sameFile(const QString &a, const QString &b)
{
    const QString first = QFileInfo(a).canonicalFilePath();
    return !first.isEmpty() && first == QFileInfo(b).canonicalFilePath();
}

void removeWithJournal(const QString &file)
{
    for (const QString &name : {file, file + QStringLiteral("-journal")})
        QFile::remove(name);
}

} // namespace safefile
