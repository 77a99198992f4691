#include "maintenance/sqliteconnection.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>

SqliteConnection::SqliteConnection(const QString &file, int flags, const QString &failure)
{
    const QByteArray path = QFile::encodeName(file);
    if (sqlite3_open_v2(path.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString why = errorText();
        sqlite3_close(m_db);
        m_db = nullptr;
        throw UserVisibleError(failure.arg(QDir::toNativeSeparators(file), why));
    }
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close(m_db);
}

QString SqliteConnection::errorText() const
{
    return m_db ? causeText(sqlite3_extended_errcode(m_db)) : causeText(SQLITE_NOMEM);
}

bool SqliteConnection::close()
{
    const int rc = sqlite3_close(m_db);
    m_db = nullptr;
    return rc == SQLITE_OK;
}

QString SqliteConnection::causeText(int code)
{
    switch (code & 0xff) {
    case SQLITE_NOTADB:
        return QStringLiteral("不是数据库文件");
    case SQLITE_CORRUPT:
        return QStringLiteral("数据库文件已损坏");
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开文件");
    case SQLITE_IOERR:
        return QStringLiteral("读写磁盘出错");
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满");
    case SQLITE_READONLY:
        return QStringLiteral("文件只能读，不能写");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("没有访问权限");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("文件正被其他程序使用");
    case SQLITE_NOMEM:
        return QStringLiteral("内存不足");
    default:
        return QString::fromUtf8(sqlite3_errstr(code));
    }
}
