#include "maintenance/databasefilecheck.h"

#include "common/errors.h"
#include "data/schema.h"
#include "maintenance/sqliteconnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>

#include <functional>
#include <utility>

namespace databasefilecheck {

namespace {

constexpr char kHeader[] = "SQLite format 3"; // followed by a zero byte

// Runs `sql` and passes each row's first column as text; false (with the cause) when it fails.
bool eachRow(SqliteConnection &db, const QString &sql, const std::function<void(const QString &)> &onRow,
             QString *why)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db.handle(), text.constData(), int(text.size()), &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
            onRow(QString::fromUtf8(value ? value : ""));
        }
    }
    sqlite3_finalize(stmt);
    if (rc == SQLITE_DONE)
        return true;
    *why = db.errorText();
    return false;
}

// The columns of `table` (lower case), read with pragma table_info; the second column of its rows
// is the name.
QStringList columnsOf(SqliteConnection &db, const QString &table, QString *why)
{
    QStringList names;
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = QStringLiteral("PRAGMA table_info(\"%1\")").arg(table).toUtf8();
    int rc = sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1))).toLower();
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        *why = db.errorText();
    return names;
}

// The tables and columns a database of this program holds.
QList<std::pair<QString, QStringList>> expectedTables()
{
    QList<std::pair<QString, QStringList>> tables;
    for (const schema::Table &table : schema::tables())
        tables.append({table.name, table.columns});
    return tables;
}

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
        QString why;
        QStringList findings;
        if (!eachRow(db, QStringLiteral("PRAGMA integrity_check(5)"), [&](const QString &row) { findings << row; }, &why))
            return QStringLiteral("数据库 %1 已损坏：%2").arg(name, why);
        if (findings != QStringList{QStringLiteral("ok")})
            return QStringLiteral("数据库 %1 已损坏：%2").arg(name, findings.join(QLatin1Char('\n')));
        for (const auto &[table, columns] : expectedTables()) {
            const QStringList present = columnsOf(db, table, &why);
            if (!why.isEmpty())
                return QStringLiteral("无法读取数据库 %1：%2").arg(name, why);
            if (present.isEmpty())
                return QStringLiteral("%1 不是本软件的数据库：没有数据表 %2").arg(name, table);
            for (const QString &column : columns) {
                if (!present.contains(column, Qt::CaseInsensitive))
                    return QStringLiteral("%1 不是本软件的数据库：数据表 %2 没有列 %3").arg(name, table, column);
            }
        }
    } catch (const UserVisibleError &e) {
        return e.text();
    }
    return {};
}

} // namespace databasefilecheck
