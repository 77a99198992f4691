#include "data/engineerror.h"

#include <sqlite3.h>

namespace engineerror {

DbError::Cause causeOf(int resultCode)
{
    switch (resultCode & 0xff) {
    case SQLITE_BUSY:
        return DbError::Cause::Locked;
    case SQLITE_READONLY:
        return DbError::Cause::ReadOnly;
    case SQLITE_FULL:
        return DbError::Cause::DiskFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return DbError::Cause::Damaged;
    default:
        return DbError::Cause::Other;
    }
}

DbError make(int resultCode, const QString &engineText)
{
    const DbError::Cause cause = causeOf(resultCode);
    QString text;
    switch (cause) {
    case DbError::Cause::Locked:
        text = QStringLiteral("数据库正被其他程序使用：%1\n请关闭正在使用数据库文件的程序后再试。");
        break;
    case DbError::Cause::ReadOnly:
        text = QStringLiteral("数据库文件只读：%1\n请检查数据库文件和它所在的文件夹是否允许写入。");
        break;
    case DbError::Cause::DiskFull:
        text = QStringLiteral("数据库所在磁盘已满：%1\n请腾出磁盘空间后再试。");
        break;
    case DbError::Cause::Damaged:
        text = QStringLiteral("数据库文件已损坏：%1\n请在“数据备份”中用“恢复数据库”换回最近的备份。");
        break;
    case DbError::Cause::Other:
        text = QStringLiteral("数据库错误：%1");
        break;
    }
    return DbError(text.arg(engineText), cause);
}

DbError last(sqlite3 *db)
{
    if (!db)
        return make(SQLITE_NOMEM, QString::fromUtf8(sqlite3_errstr(SQLITE_NOMEM)));
    return make(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace engineerror
