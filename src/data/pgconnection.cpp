#include "data/pgconnection.h"

#include <libpq-fe.h>

#include <charconv>
#include <memory>
#include <vector>

namespace pgsql {

QString serverSql(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int parameter = 0;
    bool inText = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (inText) {
            out += c;
            if (c == u'\'')
                inText = false; // a doubled quote closes and opens again
            continue;
        }
        if (c == u'\'') {
            inText = true;
            out += c;
        } else if (c == u'?') {
            out += QLatin1Char('$') + QString::number(++parameter);
        } else if (c == u'[') {
            const qsizetype end = sql.indexOf(u']', i + 1);
            if (end < 0) {
                out += c;
                continue;
            }
            out += QLatin1Char('"') + sql.mid(i + 1, end - i - 1) + QLatin1Char('"');
            i = end;
        } else {
            out += c;
        }
    }
    return out;
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
    return DbError(QStringLiteral("连接数据库服务器失败：%1（%2）\n%3").arg(cause, conninfo, words));
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
