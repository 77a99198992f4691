#include "data/shopfilecheck.h"

#include "common/errors.h"
#include "data/rawsql.h"
#include "data/saletextindex.h"
#include "data/schema.h"

#include <sqlite3.h>

namespace shopfilecheck {

namespace {

struct SchemaObject {
    QString type; // table, view, trigger, index
    QString name;
    QString sql;  // the statement that made it (empty for SQLite's own)
};

QList<SchemaObject> schemaObjects(sqlite3 *db)
{
    QList<SchemaObject> objects;
    rawsql::forEachRow(db, "SELECT type, name, sql FROM sqlite_master", {}, [&](sqlite3_stmt *stmt) {
        objects.append({rawsql::textOf(stmt, 0), rawsql::textOf(stmt, 1), rawsql::textOf(stmt, 2)});
    });
    return objects;
}

// The program's tables, and SQLite's own (sqlite_sequence for the keys, sqlite_stat* of ANALYZE):
// no one else may name a table sqlite_…
bool isOwnTable(const QString &name)
{
    if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        return true;
    for (const schema::Table &table : schema::tables()) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    for (const schema::ProgramTable &table : schema::programTables()) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The objects the program did not make among those that act on their own or, with `withTables`,
// hold rows. The sale lines' text index is the program's: its triggers word for word, its table
// as made, and the tables FTS5 keeps for that table.
QList<SchemaObject> foreignSchemaObjects(sqlite3 *db, bool withTables)
{
    const QList<SchemaObject> objects = schemaObjects(db);
    bool ownTextIndex = false;
    for (const SchemaObject &object : objects) {
        if (object.name.compare(saletextindex::table(), Qt::CaseInsensitive) == 0)
            ownTextIndex = saletextindex::isOwnObject(object.type, object.name, object.sql);
    }
    QList<SchemaObject> foreign;
    for (const SchemaObject &object : objects) {
        const bool own = saletextindex::isOwnObject(object.type, object.name, object.sql) &&
                         (object.type != QLatin1String("table") || ownTextIndex);
        if (own)
            continue;
        if (object.type == QLatin1String("trigger") || object.type == QLatin1String("view") ||
            (withTables && object.type == QLatin1String("table") && !isOwnTable(object.name)))
            foreign.append(object);
    }
    return foreign;
}

QString quotedName(const QString &name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString structureProblem(sqlite3 *db)
{
    QStringList tables;
    for (const SchemaObject &object : schemaObjects(db)) {
        if (object.type == QLatin1String("table"))
            tables << object.name.toLower();
    }
    for (const schema::Table &table : schema::tables()) {
        // A view of that name is no table: it holds no rows of its own and cannot be written.
        if (!tables.contains(table.name))
            return QStringLiteral("缺少数据表 %1").arg(table.name);
        QStringList columns;
        rawsql::forEachRow(db, "SELECT lower(name) FROM pragma_table_info(?1)", table.name,
                           [&](sqlite3_stmt *stmt) { columns << rawsql::textOf(stmt, 0); });
        for (const QString &column : table.columns) {
            if (!columns.contains(column.toLower()))
                return QStringLiteral("数据表 %1 缺少字段 %2").arg(table.name, column);
        }
    }
    return {};
}

QStringList foreignObjects(sqlite3 *db, bool withTables)
{
    QStringList found;
    for (const SchemaObject &object : foreignSchemaObjects(db, withTables)) {
        if (object.type == QLatin1String("trigger"))
            found << QStringLiteral("触发器 %1").arg(object.name);
        else if (object.type == QLatin1String("view"))
            found << QStringLiteral("视图 %1").arg(object.name);
        else
            found << QStringLiteral("数据表 %1").arg(object.name);
    }
    return found;
}

QString describe(const QStringList &objects)
{
    return QStringLiteral("含有不是本软件建立的%1").arg(objects.join(QStringLiteral("、")));
}

bool hasSuperadministrator(sqlite3 *db)
{
    bool found = false;
    rawsql::forEachRow(db, "SELECT 1 FROM userdb WHERE username=?1 AND passwd IS NOT NULL LIMIT 1",
                       QStringLiteral("超级管理员"), [&](sqlite3_stmt *) { found = true; });
    return found;
}

void removeForeignObjects(sqlite3 *db)
{
    QStringList drops;
    for (const SchemaObject &object : foreignSchemaObjects(db, false)) {
        if (object.type == QLatin1String("trigger"))
            drops << QStringLiteral("DROP TRIGGER %1").arg(quotedName(object.name));
        else if (object.type == QLatin1String("view"))
            drops << QStringLiteral("DROP VIEW %1").arg(quotedName(object.name));
    }
    if (drops.isEmpty())
        return;
    rawsql::execute(db, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const QString &drop : drops)
            rawsql::execute(db, drop);
        rawsql::execute(db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace shopfilecheck
