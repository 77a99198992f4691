#include "data/rawsql.h"

#include "data/engineerror.h"

#include <sqlite3.h>

namespace rawsql {

void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.removeIf([](char c) { return c == '\0'; });
    sqlite3_bind_text(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

void forEachRow(sqlite3 *db, const char *sql, const QString &param, const std::function<void(sqlite3_stmt *)> &onRow)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK && !param.isNull())
        bindText(stmt, 1, param);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            onRow(stmt);
    }
    if (rc != SQLITE_DONE) {
        const DbError error = engineerror::last(db);
        sqlite3_finalize(stmt);
        throw error;
    }
    sqlite3_finalize(stmt);
}

void execute(sqlite3 *db, const QString &sql)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_exec(db, text.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw engineerror::last(db);
}

QString textOf(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

} // namespace rawsql
