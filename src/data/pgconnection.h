#pragma once

#include "common/errors.h"
#include "data/resultrow.h"
#include "data/statement.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

// The program's statements are written for SQLite: bracketed column names ([7]) and "?" for each
// value. On a PostgreSQL server the same statement has quoted names ("7") and numbered values
// ($1, $2 …); texts in single quotes are left as they are.
namespace pgsql {
QString serverSql(const QString &sql);

// What makes a server database a shop database: the functions and the collation the program's
// statements use as SQLite has them (ifnull, total, a two-argument round of real numbers, the
// pinyin order), the four tables and the program's own with the server's types (identity keys,
// double precision numbers, texts), and the indexes the program makes in a file.
QStringList schemaStatements();
// How many values ("?") a statement in SQLite's form takes.
int parameterCount(const QString &sql);
// The server named by a connection string as a person reads it ("主机 端口 数据库 用户"): never
// its password.
QString readableAddress(const QString &conninfo);
} // namespace pgsql

// One connection to a shop database on a PostgreSQL server, through libpq. `conninfo` is a libpq
// connection string ("host=… dbname=…", "service=shop"); the password comes from libpq's own
// password or service file, never from the program. Every failure raises DbError with a Chinese
// text by cause and the server's own words after it.
class PgConnection {
public:
    explicit PgConnection(QString conninfo);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    const QString &conninfo() const { return m_conninfo; }
    void open();
    void close();
    bool isOpen() const { return m_conn != nullptr; }

    // Runs a statement that returns no rows; changes() then tells how many rows it wrote.
    void execute(const Statement &statement);
    // Runs a query; `onRow` is called for each result row while it is current. When `columns`
    // is given it receives the result's column names (also with no rows).
    void query(const Statement &statement, const std::function<void(const ResultRow &)> &onRow,
               QStringList *columns = nullptr);
    // The first column of the first row, or a null value when there is no row.
    QVariant scalar(const Statement &statement);
    int changes() const { return m_changes; }
    // Whether a transaction is open on the connection.
    bool inTransaction() const;
    // How many notifications other connections sent on the channels this one listens to since the
    // last call (reads what has arrived; never waits). `each`, when given, is told the channel and
    // payload of every notification taken, and whether this connection sent it.
    using Heard = std::function<void(std::string_view channel, std::string_view payload, bool own)>;
    int takeNotifications(const Heard &each = {});

    // Told every statement as it goes to the server, with its values as texts (null for a null
    // value), valid only during the call: what a measurement replays on a connection of its own.
    using Trace = std::function<void(const QByteArray &sql, const std::vector<const char *> &values)>;
    void setTrace(Trace trace) { m_trace = std::move(trace); }

private:
    pg_result *run(const Statement &statement);

    QString m_conninfo;
    pg_conn *m_conn = nullptr;
    int m_changes = 0;
    Trace m_trace;
};
