#include "data/pgconnection.h"

#include "data/schema.h"

#include <libpq-fe.h>

#include <QHash>
#include <charconv>
#include <memory>
#include <vector>

namespace pgsql {

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Where the word of `sql` at `from` ends.
qsizetype wordEnd(const QString &sql, qsizetype from)
{
    while (from < sql.size() && isWordChar(sql.at(from)))
        ++from;
    return from;
}

bool is(const QString &word, const char *keyword)
{
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

// An ORDER BY clause being turned into the server's. SQLite sorts a missing value before every
// other one, the server after: each term gets the file's place for it, NULLS FIRST when it
// ascends and NULLS LAST when it descends, unless it names one itself. A key alone is never
// missing and is left as it is, so the server can still read it from the key's index.
struct OrderClause {
    int depth;                // the brackets open around the clause
    qsizetype termStart;      // in the output: where the current term starts ...
    qsizetype termEnd = -1;   // ... and just after its last character (-1: nothing yet)
    QString lastWord;         // of the current term, at the clause's own depth
    bool placesNulls = false; // the current term says NULLS FIRST or LAST

    void endTerm(QString &out)
    {
        const QString term = termEnd < 0 ? QString() : out.mid(termStart, termEnd - termStart).trimmed();
        if (!term.isEmpty() && !placesNulls && !is(term, "id") && !is(term, "rowid"))
            out.insert(termEnd, is(lastWord, "desc") ? QLatin1String(" NULLS LAST") : QLatin1String(" NULLS FIRST"));
        termEnd = -1;
        lastWord.clear();
        placesNulls = false;
    }
    void startTerm(const QString &out) { termStart = out.size(); }
};

} // namespace

QString serverSql(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int parameter = 0;
    int depth = 0;
    std::vector<OrderClause> clauses; // open ORDER BY clauses, the innermost last
    auto inClause = [&] { return !clauses.empty() && clauses.back().depth == depth; };
    bool inText = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (inText) {
            out += c;
            if (c == u'\'')
                inText = false; // a doubled quote closes and opens again
        } else if (c == u'\'') {
            inText = true;
            out += c;
        } else if (c == u'?') {
            out += QLatin1Char('$') + QString::number(++parameter);
        } else if (c.isLetter() || c == u'_') {
            const qsizetype end = wordEnd(sql, i);
            const QString word = sql.mid(i, end - i);
            if (inClause() && (is(word, "limit") || is(word, "offset") || is(word, "fetch") || is(word, "for"))) {
                clauses.back().endTerm(out);
                clauses.pop_back();
            }
            qsizetype by = end;
            while (by < sql.size() && sql.at(by).isSpace())
                ++by;
            if (is(word, "order") && is(sql.mid(by, wordEnd(sql, by) - by), "by")) {
                // Written as it is; the terms that follow are watched.
                out += sql.mid(i, by + 2 - i);
                i = by + 1;
                clauses.push_back({depth, out.size(), -1, {}, false});
                continue;
            }
            // SQLite's LIKE ignores the case of Latin letters, the server's ILIKE too.
            out += is(word, "like") ? QStringLiteral("ILIKE") : word;
            i = end - 1;
            if (inClause()) {
                clauses.back().lastWord = word;
                clauses.back().placesNulls = clauses.back().placesNulls || is(word, "nulls");
            }
        } else if (c == u'[') {
            const qsizetype end = sql.indexOf(u']', i + 1);
            if (end < 0) {
                out += c;
            } else {
                out += QLatin1Char('"') + sql.mid(i + 1, end - i - 1) + QLatin1Char('"');
                i = end;
            }
        } else if (c == u'(') {
            ++depth;
            out += c;
        } else if (c == u')') {
            if (inClause()) {
                clauses.back().endTerm(out);
                clauses.pop_back();
            }
            --depth;
            out += c;
        } else if ((c == u',' || c == u';') && inClause()) {
            clauses.back().endTerm(out);
            if (c == u';')
                clauses.pop_back();
            out += c;
            if (c == u',')
                clauses.back().startTerm(out);
            continue;
        } else {
            out += c;
        }
        // Whatever stands in a term but blanks, its brackets included, moves its end on.
        if (!clauses.empty() && clauses.back().depth <= depth && !c.isSpace())
            clauses.back().termEnd = out.size();
    }
    while (!clauses.empty()) {
        clauses.back().endTerm(out);
        clauses.pop_back();
    }
    return out;
}

int parameterCount(const QString &sql)
{
    const QString server = serverSql(sql);
    int count = 0;
    bool inText = false;
    for (const QChar c : server) {
        if (c == u'\'')
            inText = !inText;
        else if (!inText && c == u'$')
            ++count;
    }
    return count;
}

QString readableAddress(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return QStringLiteral("连接串有误");
    }
    QHash<QString, QString> given;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (o->val && *o->val)
            given.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    }
    PQconninfoFree(options);
    QStringList parts;
    for (const auto &[keyword, label] : {std::pair{"service", "服务"}, std::pair{"host", "主机"},
                                         std::pair{"port", "端口"}, std::pair{"dbname", "数据库"},
                                         std::pair{"user", "用户"}}) {
        const QString value = given.value(QLatin1String(keyword));
        if (!value.isEmpty())
            parts << QString::fromUtf8(label) + QLatin1Char(' ') + value;
    }
    return parts.isEmpty() ? QStringLiteral("本机默认服务器") : parts.join(QStringLiteral("，"));
}

QStringList schemaStatements()
{
    QStringList s{
        // SQLite's names for what the server calls otherwise.
        QStringLiteral("CREATE OR REPLACE FUNCTION ifnull(value anyelement, otherwise anyelement) RETURNS anyelement "
                       "LANGUAGE sql IMMUTABLE AS 'SELECT coalesce(value, otherwise)'"),
        // total(): the sum of the values that are not null, 0.0 when there is none.
        QStringLiteral("CREATE OR REPLACE AGGREGATE total(double precision) "
                       "(SFUNC = float8pl, STYPE = double precision, INITCOND = '0')"),
        QStringLiteral("CREATE OR REPLACE FUNCTION round(value double precision, places integer) "
                       "RETURNS double precision LANGUAGE sql IMMUTABLE AS 'SELECT round(value::numeric, places)::double precision'"),
        // A value in ten-thousandths, rounded as the program rounds it, for footer sums.
        QStringLiteral("CREATE OR REPLACE FUNCTION tolvane_fixed4_units(value double precision) RETURNS bigint "
                       "LANGUAGE sql IMMUTABLE AS 'SELECT (round(value::numeric, 4) * 10000)::bigint'"),
        // Chinese texts sort by pinyin, as in a file (ICU's Chinese order).
        QStringLiteral("CREATE COLLATION IF NOT EXISTS pinyin (provider = icu, locale = 'zh-u-co-pinyin')"),
    };
    for (QString statement : schema::createStatements() + schema::programTableStatements()) {
        statement.replace(QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"),
                          QLatin1String("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        statement.replace(QLatin1String(" REAL"), QLatin1String(" DOUBLE PRECISION"));
        // Texts compare byte by byte, as SQLite compares them; Chinese lists name the pinyin order.
        statement.replace(QLatin1String(" TEXT"), QLatin1String(" TEXT COLLATE \"C\""));
        // A file's rows have a key of their own (rowid) that the users' table is written by.
        if (statement.startsWith(QLatin1String("CREATE TABLE userdb ")))
            statement.insert(statement.lastIndexOf(QLatin1Char(')')),
                             QLatin1String(", rowid BIGINT GENERATED ALWAYS AS IDENTITY"));
        s << serverSql(statement);
    }
    for (const QString &statement : schema::indexStatements())
        s << serverSql(statement);
    // Every write to the shop's tables, by a till or by any other client, is announced to the
    // tills listening when it is committed (several in one transaction as one).
    s << QStringLiteral("CREATE OR REPLACE FUNCTION tolvane_announce() RETURNS trigger LANGUAGE plpgsql AS "
                        "'BEGIN NOTIFY tolvane_written; RETURN NULL; END'");
    for (const QString &table : {QStringLiteral("data"), QStringLiteral("data1"), QStringLiteral("userdb"),
                                 QStringLiteral("rz")})
        s << QStringLiteral("CREATE OR REPLACE TRIGGER tolvane_written AFTER INSERT OR UPDATE OR DELETE ON %1 "
                            "FOR EACH ROW EXECUTE FUNCTION tolvane_announce()")
                 .arg(table);
    // Each stock row written is named by its key on a channel of its own (before and after a change
    // of key; "all" when the table is emptied at once), so a till keeping stock rows in memory
    // reads only those again.
    s << QStringLiteral("CREATE OR REPLACE FUNCTION tolvane_announce_stock_row() RETURNS trigger LANGUAGE plpgsql AS $$ "
                        "BEGIN "
                        "IF TG_OP = 'TRUNCATE' THEN PERFORM pg_notify('tolvane_stock_rows', 'all'); RETURN NULL; END IF; "
                        "IF TG_OP <> 'INSERT' THEN PERFORM pg_notify('tolvane_stock_rows', OLD.id::text); END IF; "
                        "IF TG_OP <> 'DELETE' THEN PERFORM pg_notify('tolvane_stock_rows', NEW.id::text); END IF; "
                        "RETURN NULL; END $$");
    s << QStringLiteral("CREATE OR REPLACE TRIGGER tolvane_stock_row AFTER INSERT OR UPDATE OR DELETE ON data "
                        "FOR EACH ROW EXECUTE FUNCTION tolvane_announce_stock_row()");
    s << QStringLiteral("CREATE OR REPLACE TRIGGER tolvane_stock_rows_emptied AFTER TRUNCATE ON data "
                        "FOR EACH STATEMENT EXECUTE FUNCTION tolvane_announce_stock_row()");
    return s;
}

} // namespace pgsql

namespace {

// The server's type numbers (pg_type.oid) of the values the program reads.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

struct ResultDeleter {
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// A row of a server result, its values in the server's text form.
class PgRow final : public ResultRow {
public:
    explicit PgRow(const PGresult *result) : m_result(result), m_types(size_t(PQnfields(result)))
    {
        for (int c = 0; c < int(m_types.size()); ++c) {
            switch (PQftype(result, c)) {
            case kBool:
            case kInt2:
            case kInt4:
            case kInt8:
                m_types[size_t(c)] = Type::Integer;
                break;
            case kFloat4:
            case kFloat8:
            case kNumeric:
                m_types[size_t(c)] = Type::Real;
                break;
            default:
                m_types[size_t(c)] = Type::Text;
            }
        }
    }
    void setRow(int row) { m_row = row; }

    int columnCount() const override { return int(m_types.size()); }
    Type type(int column) const override
    {
        return PQgetisnull(m_result, m_row, column) ? Type::Null : m_types[size_t(column)];
    }
    long long integer(int column) const override
    {
        const std::string_view text = utf8(column);
        if (text == "t")
            return 1;
        long long value = 0;
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            return (long long)real(column);
        return value;
    }
    double real(int column) const override
    {
        const std::string_view text = utf8(column);
        return QByteArray::fromRawData(text.data(), qsizetype(text.size())).toDouble();
    }
    std::string_view utf8(int column) const override
    {
        return std::string_view(PQgetvalue(m_result, m_row, column), size_t(PQgetlength(m_result, m_row, column)));
    }

private:
    const PGresult *m_result;
    std::vector<Type> m_types;
    int m_row = 0;
};

QString serverWords(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

// Why a connection could not be made, in the words a person at the counter understands.
DbError connectionError(PGconn *conn, const QString &conninfo)
{
    const QString words = serverWords(PQerrorMessage(conn));
    QString cause;
    if (PQconnectionNeedsPassword(conn) || words.contains(QLatin1String("password authentication failed")) ||
        words.contains(QLatin1String("no password supplied")))
        cause = QStringLiteral("用户名或密码不对（密码请写在 ~/.pgpass 中）");
    else if (words.contains(QLatin1String("does not exist")) && words.contains(QLatin1String("database")))
        cause = QStringLiteral("服务器上没有这个数据库");
    else if (words.contains(QLatin1String("role")) && words.contains(QLatin1String("does not exist")))
        cause = QStringLiteral("服务器上没有这个用户");
    else if (words.contains(QLatin1String("No such file or directory")) ||
             words.contains(QLatin1String("Connection refused")) || words.contains(QLatin1String("could not translate")) ||
             words.contains(QLatin1String("timeout")) || words.contains(QLatin1String("No route")))
        cause = QStringLiteral("在这个地址找不到数据库服务器");
    else
        cause = QStringLiteral("无法连接数据库服务器");
    return DbError(QStringLiteral("连接数据库服务器失败：%1（%2）\n%3").arg(cause, pgsql::readableAddress(conninfo), words));
}

// A statement the server refused, by the class of its SQLSTATE.
DbError statementError(const PGresult *result, PGconn *conn)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QString code = QString::fromLatin1(state ? state : "");
    const QString words = serverWords(result ? PQresultErrorMessage(result) : PQerrorMessage(conn));
    QString cause;
    DbError::Cause kind = DbError::Cause::Other;
    if (code == QLatin1String("40001") || code == QLatin1String("40P01") || code == QLatin1String("55P03")) {
        cause = QStringLiteral("另一台电脑正在保存，请稍后再试");
        kind = DbError::Cause::Locked;
    }
    else if (code.startsWith(QLatin1String("08")) || PQstatus(conn) != CONNECTION_OK)
        cause = QStringLiteral("与数据库服务器的连接断开了");
    else if (code == QLatin1String("53100")) {
        cause = QStringLiteral("数据库服务器的磁盘已满");
        kind = DbError::Cause::DiskFull;
    }
    else if (code.startsWith(QLatin1String("23")))
        cause = QStringLiteral("数据不符合数据库的约束");
    else if (code == QLatin1String("42501"))
        cause = QStringLiteral("数据库用户没有这项权限");
    else
        cause = QStringLiteral("数据库服务器拒绝了这项操作");
    return DbError(QStringLiteral("%1\n%2").arg(cause, words), kind);
}

} // namespace

PgConnection::PgConnection(QString conninfo) : m_conninfo(std::move(conninfo)) {}

PgConnection::~PgConnection()
{
    close();
}

void PgConnection::open()
{
    close();
    PGconn *conn = PQconnectdb(m_conninfo.toUtf8().constData());
    if (!conn)
        throw DbError(QStringLiteral("连接数据库服务器失败：内存不足"));
    if (PQstatus(conn) != CONNECTION_OK) {
        const DbError error = connectionError(conn, m_conninfo);
        PQfinish(conn);
        throw error;
    }
    // Texts travel as UTF-8 and dates are the program's own texts: nothing depends on the
    // server's settings.
    PQsetClientEncoding(conn, "UTF8");
    // The server's notices ("already exists, skipping") are nothing the person needs to read.
    PQsetNoticeProcessor(conn, [](void *, const char *) {}, nullptr);
    m_conn = conn;
}

void PgConnection::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
}

PGresult *PgConnection::run(const Statement &statement)
{
    if (!m_conn)
        throw DbError(QStringLiteral("数据库没有打开"));
    const QByteArray sql = pgsql::serverSql(statement.sql).toUtf8();
    std::vector<QByteArray> texts;
    texts.reserve(size_t(statement.params.size()));
    std::vector<const char *> values;
    for (const QVariant &v : statement.params) {
        if (v.isNull() || !v.isValid()) {
            texts.emplace_back();
            values.push_back(nullptr);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            texts.push_back(QByteArray::number(v.toDouble(), 'g', 17));
            break;
        case QMetaType::Bool:
            texts.push_back(v.toBool() ? QByteArray("1") : QByteArray("0"));
            break;
        default:
            texts.push_back(v.toString().toUtf8());
        }
        values.push_back(texts.back().constData());
    }
    if (m_trace)
        m_trace(sql, values);
    PGresult *result = PQexecParams(m_conn, sql.constData(), int(values.size()), nullptr, values.data(), nullptr,
                                    nullptr, 0);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const DbError error = statementError(result, m_conn);
        PQclear(result);
        throw error;
    }
    return result;
}

void PgConnection::execute(const Statement &statement)
{
    const Result result(run(statement));
    const char *affected = PQcmdTuples(result.get());
    m_changes = affected && *affected ? QByteArray(affected).toInt() : 0;
}

void PgConnection::query(const Statement &statement, const std::function<void(const ResultRow &)> &onRow,
                         QStringList *columns)
{
    const Result result(run(statement));
    if (columns) {
        columns->clear();
        for (int c = 0, n = PQnfields(result.get()); c < n; ++c)
            *columns << QString::fromUtf8(PQfname(result.get(), c));
    }
    PgRow row(result.get());
    for (int r = 0, n = PQntuples(result.get()); r < n; ++r) {
        row.setRow(r);
        onRow(row);
    }
}

bool PgConnection::inTransaction() const
{
    return m_conn && PQtransactionStatus(m_conn) != PQTRANS_IDLE;
}

int PgConnection::takeNotifications(const Heard &each)
{
    if (!m_conn || !PQconsumeInput(m_conn))
        return 0;
    const int self = PQbackendPID(m_conn);
    int count = 0;
    while (PGnotify *notice = PQnotifies(m_conn)) {
        if (notice->be_pid != self)
            ++count;
        if (each)
            each(std::string_view(notice->relname ? notice->relname : ""),
                 std::string_view(notice->extra ? notice->extra : ""), notice->be_pid == self);
        PQfreemem(notice);
    }
    return count;
}

QVariant PgConnection::scalar(const Statement &statement)
{
    QVariant value;
    bool first = true;
    query(statement, [&](const ResultRow &row) {
        if (first)
            value = row.value(0);
        first = false;
    });
    return value;
}
