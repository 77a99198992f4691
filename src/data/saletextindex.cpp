#include "data/saletextindex.h"

#include "data/database.h"

#include <sqlite3.h>

namespace saletextindex {
namespace {

// The shortest text the index can find: a trigram.
constexpr int kShortest = 3;

QString joined(const QString &prefix)
{
    QStringList values;
    for (const QString &column : columns())
        values << prefix + column;
    return values.join(QStringLiteral(", "));
}

QString triggerName(const char *event)
{
    return table() + QLatin1Char('_') + QLatin1String(event);
}

// The index's entries of a row, added from its new values or removed with the values it was
// indexed with (FTS5 external content: the index is told what to take out).
QString added()
{
    return QStringLiteral("INSERT INTO %1(rowid, %2) VALUES (new.ID, %3);").arg(table(), joined({}), joined(QStringLiteral("new.")));
}

QString removed()
{
    return QStringLiteral("INSERT INTO %1(%1, rowid, %2) VALUES ('delete', old.ID, %3);")
        .arg(table(), joined({}), joined(QStringLiteral("old.")));
}

struct Trigger {
    QString name;
    QString sql;
};

const std::vector<Trigger> &triggers()
{
    static const std::vector<Trigger> all{
        {triggerName("insert"),
         QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON data1 BEGIN %2 END").arg(triggerName("insert"), added())},
        {triggerName("delete"),
         QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON data1 BEGIN %2 END").arg(triggerName("delete"), removed())},
        // Only a change of an indexed text (or of the key) changes the index: correcting an owed
        // amount writes nothing here.
        {triggerName("update"), QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF ID, %2 ON data1 BEGIN %3 %4 END")
                                    .arg(triggerName("update"), joined({}), removed(), added())},
    };
    return all;
}

QString tableStatement()
{
    return QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, content='data1', content_rowid='ID', "
                          "tokenize='trigram case_sensitive 0')")
        .arg(table(), joined({}));
}

// The tables FTS5 keeps for an external-content table.
const char *const kShadowSuffixes[] = {"_data", "_idx", "_docsize", "_config"};

// `typed` as an FTS5 phrase: within double quotes every character stands for itself but the
// quote, which is doubled.
QString phrase(QString typed)
{
    typed.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + typed + QLatin1Char('"');
}

} // namespace

const QStringList &columns()
{
    static const QStringList all{QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("c"), QStringLiteral("f"),
                                 QStringLiteral("g"), QStringLiteral("j"), QStringLiteral("z")};
    return all;
}

QString table()
{
    return QStringLiteral("data1_text");
}

QStringList createStatements()
{
    QStringList statements{tableStatement()};
    for (const Trigger &trigger : triggers())
        statements << trigger.sql;
    statements << QStringLiteral("INSERT INTO %1(%1) VALUES ('rebuild')").arg(table());
    return statements;
}

bool isIndexTable(const QString &name)
{
    if (name.compare(table(), Qt::CaseInsensitive) == 0)
        return true;
    for (const char *suffix : kShadowSuffixes) {
        if (name.compare(table() + QLatin1String(suffix), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isOwnObject(const QString &type, const QString &name, const QString &sql)
{
    if (type == QLatin1String("table"))
        return name.compare(table(), Qt::CaseInsensitive) == 0 ? sql == tableStatement() : isIndexTable(name);
    if (type == QLatin1String("trigger")) {
        for (const Trigger &trigger : triggers()) {
            if (trigger.name == name)
                return trigger.sql == sql;
        }
    }
    return false;
}

bool engineSupports(sqlite3 *db)
{
    // The tokenizer is looked up when a table is made: a temporary one shows whether it is there.
    const int made = sqlite3_exec(db, "CREATE VIRTUAL TABLE temp.tolvane_trigram_probe USING fts5(x, tokenize='trigram')",
                                  nullptr, nullptr, nullptr);
    if (made != SQLITE_OK)
        return false;
    return sqlite3_exec(db, "DROP TABLE temp.tolvane_trigram_probe", nullptr, nullptr, nullptr) == SQLITE_OK;
}

State state(Database &db)
{
    int found = 0, own = 0;
    bool foreign = false;
    QStringList names{table()};
    for (const Trigger &trigger : triggers())
        names << trigger.name;
    db.query(Statement(QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE lower(name) IN (?, ?, ?, ?)"),
                       {names.at(0), names.at(1), names.at(2), names.at(3)}),
             [&](const ResultRow &row) {
                 ++found;
                 if (isOwnObject(row.text(0), row.text(1), row.text(2)))
                     ++own;
                 else
                     foreign = true;
             });
    if (foreign)
        return State::Foreign;
    if (found == 0)
        return State::Missing;
    return own == int(names.size()) ? State::Complete : State::Partial;
}

void make(Database &db)
{
    inTransaction(db, [&] {
        for (const Trigger &trigger : triggers())
            db.execute(Statement(QStringLiteral("DROP TRIGGER IF EXISTS ") + trigger.name));
        db.execute(Statement(QStringLiteral("DROP TABLE IF EXISTS ") + table()));
        for (const QString &sql : createStatements())
            db.execute(Statement(sql));
    });
}

Statement candidates(const std::vector<std::pair<QString, QString>> &typed)
{
    QStringList terms;
    for (const auto &[column, text] : typed) {
        QString searched = text;
        searched.remove(QChar(0)); // bound values lose their NULs (see rawsql::bindText)
        if (searched.toUcs4().size() < kShortest)
            continue;
        terms << column + QStringLiteral(" : ") + phrase(searched);
    }
    if (terms.isEmpty())
        return {};
    return Statement(QStringLiteral("ID in (select rowid from %1 where %1 match ?)").arg(table()),
                     {terms.join(QStringLiteral(" AND "))});
}

} // namespace saletextindex
