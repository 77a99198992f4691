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
    // The file was renamed over or deleted while this program had it open: another program
    // restored a backup. Nothing this program writes can reach the shop's file any more.
    if (resultCode == SQLITE_READONLY_DBMOVED)
        return DbError(QStringLiteral("数据库文件已被替换（另一个程序恢复了备份或移走了文件）：%1\n"
                                      "这里的改动无法再保存，请关闭本软件后重新启动。")
                           .arg(engineText),
                       cause);
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
