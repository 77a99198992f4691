#include "common/replacingfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

QString fileErrorReason(int errnoValue, const QString &fallback)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入该文件夹的权限");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    case EFBIG:
        return QStringLiteral("文件超过了磁盘或系统允许的大小");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在");
    case EISDIR:
        return QStringLiteral("同名的文件夹已存在");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    case 0:
        break;
    default:
        if (fallback.isEmpty())
            return QString::fromLocal8Bit(std::strerror(errnoValue));
    }
    return fallback.isEmpty() ? QStringLiteral("未知错误") : fallback;
}

ReplacingFile::ReplacingFile(QString target) : m_target(QFileInfo(target).absoluteFilePath()) {}

ReplacingFile::~ReplacingFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

void ReplacingFile::fail(int errnoValue, const QString &fallback)
{
    m_error = fileErrorReason(errnoValue, fallback);
}

bool ReplacingFile::create()
{
    const QFileInfo info(m_target);
    // Hidden, beside the target, and unlike any other name in the folder.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString name = info.dir().filePath(QStringLiteral(".%1.%2.part")
                                                     .arg(info.fileName(),
                                                          QUuid::createUuid().toString(QUuid::Id128).left(12)));
        const QByteArray path = QFile::encodeName(name);
        m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            m_temporary = name;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    fail(errno);
    return false;
}

bool ReplacingFile::write(const QByteArray &bytes)
{
    if (m_fd < 0)
        return false;
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, at, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            fail(written == 0 ? ENOSPC : errno);
            return false;
        }
        at += written;
        left -= written;
    }
    return true;
}

bool ReplacingFile::commit()
{
    if (m_temporary.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(m_temporary);
    if (m_fd < 0)
        m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC); // written by someone else: flush it too
    if (m_fd < 0 || ::fsync(m_fd) != 0) {
        fail(errno);
        return false;
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        fail(errno);
        return false;
    }
    if (std::rename(path.constData(), QFile::encodeName(m_target).constData()) != 0) {
        fail(errno);
        return false;
    }
    m_committed = true;
    return true;
}
