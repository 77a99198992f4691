#include "maintenance/serverbackup.h"

#include "common/errors.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "data/schema.h"
#include "maintenance/safefile.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <libpq-fe.h>

#include <functional>
#include <optional>

namespace serverbackup {

namespace {

const QString kDump = QStringLiteral("pg_dump");
const QString kRestore = QStringLiteral("pg_restore");
// Where Debian's postgresql-client-15 puts the tools when they are not on the search path.
const QString kDebianTools = QStringLiteral("/usr/lib/postgresql/15/bin");
// A pg_dump custom archive begins so.
constexpr char kMagic[] = "PGDMP";
// How long pg_dump waits for a table another till holds (a restore running there) before it
// gives up, and how long the tools wait for the server to answer at all.
constexpr int kLockWaitMs = 60000;
constexpr int kConnectTimeoutSeconds = 15;
// The longest statement of a backup that is read; longer ones are not the program's.
constexpr qsizetype kLongestStatement = 1 << 20;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// ---- the connection string -------------------------------------------------------------------

// The connection string as the tools get it (--dbname), and a password it held, which they get
// through their environment instead.
struct ToolConnection {
    QString dbname;
    QString password;
};

QString quotedValue(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

ToolConnection toolConnection(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("内存不足");
        PQfreemem(error);
        throw UserVisibleError(QStringLiteral("数据库服务器的连接字符串不对（%1）：%2").arg(conninfo, why));
    }
    ToolConnection connection;
    QStringList parts;
    for (PQconninfoOption *option = options; option->keyword; ++option) {
        if (!option->val)
            continue;
        const QString keyword = QString::fromUtf8(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (keyword == QLatin1String("password"))
            connection.password = value;
        else
            parts << keyword + QLatin1Char('=') + quotedValue(value);
    }
    PQconninfoFree(options);
    connection.dbname = parts.join(QLatin1Char(' '));
    return connection;
}

// ---- running a tool ------------------------------------------------------------------------

QString toolPath(const QString &name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {kDebianTools});
    return found;
}

struct Outcome {
    enum class End { Finished, Cancelled, TimedOut, Stopped, Crashed };
    End end = End::Finished;
    int exitCode = 0;
    QString errors; // what the tool wrote to its standard error

    bool succeeded() const { return end == End::Finished && exitCode == 0; }
};

struct ToolRun {
    QString tool; // pg_dump or pg_restore
    QStringList arguments;
    QString password;
    // Each line the tool writes to its standard output; returning false stops the tool.
    std::function<bool(const QByteArray &line)> onLine;
    const CopyProgress *progress = nullptr;
    int timeoutMs = 0;
};

Outcome run(const ToolRun &how)
{
    const QString program = toolPath(how.tool);
    if (program.isEmpty())
        throw UserVisibleError(QStringLiteral("找不到数据库备份程序 %1，请安装 PostgreSQL 客户端"
                                              "（Debian 软件包 postgresql-client-15）").arg(how.tool));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The tools' messages in English, whatever the desktop's language: their causes are read
    // from them.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("LANGUAGE"));
    if (!environment.contains(QStringLiteral("PGCONNECT_TIMEOUT")))
        environment.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QString::number(kConnectTimeoutSeconds));
    if (!how.password.isEmpty())
        environment.insert(QStringLiteral("PGPASSWORD"), how.password);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!how.onLine)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, how.arguments);
    if (!process.waitForStarted(10000))
        throw UserVisibleError(QStringLiteral("无法启动数据库备份程序 %1：%2").arg(program, process.errorString()));

    Outcome outcome;
    const QDeadlineTimer deadline = how.timeoutMs > 0 ? QDeadlineTimer(how.timeoutMs) : QDeadlineTimer::Forever;
    auto stop = [&](Outcome::End why) {
        outcome.end = why;
        process.kill();
        process.waitForFinished(10000);
    };
    QElapsedTimer sinceProgress; // not started: the first look is at once
    bool running = true;
    while (running) {
        if (how.onLine)
            process.waitForReadyRead(50);
        running = !process.waitForFinished(how.onLine ? 0 : 50) && process.state() != QProcess::NotRunning;
        if (how.onLine) {
            bool wanted = true;
            while (wanted && process.canReadLine())
                wanted = how.onLine(process.readLine());
            if (!running && wanted) {
                // The last line may lack its line end.
                const QByteArray rest = process.readAll();
                if (!rest.isEmpty())
                    wanted = how.onLine(rest);
            }
            if (!wanted) {
                if (running)
                    stop(Outcome::End::Stopped);
                else
                    outcome.end = Outcome::End::Stopped;
                break;
            }
        }
        if (!running)
            break;
        if (how.progress && *how.progress && (!sinceProgress.isValid() || sinceProgress.elapsed() >= 50)) {
            sinceProgress.restart();
            if (!(*how.progress)(0, 0)) {
                stop(Outcome::End::Cancelled);
                break;
            }
        }
        if (deadline.hasExpired()) {
            stop(Outcome::End::TimedOut);
            break;
        }
    }
    outcome.errors = QString::fromUtf8(process.readAllStandardError());
    if (outcome.end == Outcome::End::Finished) {
        if (process.exitStatus() != QProcess::NormalExit)
            outcome.end = Outcome::End::Crashed;
        outcome.exitCode = process.exitCode();
    }
    return outcome;
}

// The tool's own words: its error lines without the program's name, the last few of them.
QString toolWords(const QString &errors)
{
    static const QRegularExpression prefix(QStringLiteral("^(pg_dump|pg_restore): (error|detail|hint|warning): "));
    QStringList lines;
    for (QString line : errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        line = line.trimmed();
        line.remove(prefix);
        if (!line.isEmpty() && !line.startsWith(QLatin1String("pg_restore: ")) && !line.startsWith(QLatin1String("pg_dump: ")))
            lines << line;
    }
    if (lines.size() > 6)
        lines = lines.mid(lines.size() - 6);
    QString words = lines.join(QLatin1Char('\n'));
    if (words.size() > 800)
        words = words.left(800) + QStringLiteral("……");
    return words;
}

// Why a tool failed, in the words a person at the counter understands, for `conninfo`.
QString failureCause(const Outcome &outcome, const QString &conninfo, bool writingFile)
{
    switch (outcome.end) {
    case Outcome::End::TimedOut:
        return QStringLiteral("用时太长，已中止");
    case Outcome::End::Crashed:
        return QStringLiteral("备份程序意外中止");
    default:
        break;
    }
    const QString e = outcome.errors;
    auto has = [&](const char *text) { return e.contains(QLatin1String(text), Qt::CaseInsensitive); };
    if (has("No space left on device") || has("could not extend file"))
        return writingFile ? QStringLiteral("磁盘已满，备份文件写不下") : QStringLiteral("数据库服务器的磁盘已满");
    if (has("password authentication failed") || has("no password supplied"))
        return QStringLiteral("用户名或密码不对（密码请写在 ~/.pgpass 中）");
    if (has("connection to server") || has("could not connect") || has("could not translate host name") ||
        has("timeout expired") || has("Connection refused"))
        return QStringLiteral("连接不上数据库服务器（%1）").arg(conninfo);
    if (has("could not obtain lock") || has("lock timeout"))
        return QStringLiteral("数据库正被另一台电脑占用（也许正在恢复数据库），请稍后再试");
    if (has("server version mismatch") || has("unsupported version"))
        return QStringLiteral("备份程序与数据库服务器的版本不配");
    if (has("permission denied"))
        return QStringLiteral("没有权限");
    if (has("could not open output file") || has("could not write to output file") || has("could not close output file"))
        return QStringLiteral("无法写入备份文件");
    return writingFile ? QStringLiteral("备份程序出错（退出状态 %1）").arg(outcome.exitCode)
                       : QStringLiteral("数据库服务器拒绝了恢复");
}

QString failureText(const Outcome &outcome, const QString &conninfo, bool writingFile)
{
    const QString words = toolWords(outcome.errors);
    const QString cause = failureCause(outcome, conninfo, writingFile);
    return words.isEmpty() ? cause : cause + QLatin1Char('\n') + words;
}

// ---- the shop's schema on the server ---------------------------------------------------------

QString shopSchema(const QString &conninfo)
{
    PgConnection connection(conninfo);
    connection.open();
    return connection.scalar(Statement(QStringLiteral("SELECT current_schema()"))).toString();
}

// The shop's tables: the four and the program's own.
QStringList shopTables()
{
    QStringList names;
    for (const schema::Table &table : schema::tables())
        names << table.name;
    for (const schema::ProgramTable &table : schema::programTables())
        names << table.name;
    return names;
}

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// ---- checking an archive ----------------------------------------------------------------------

// One entry of an archive's table of contents, as pg_restore --list prints it:
// "215; 1259 16395 TABLE public data tolvane".
struct TocEntry {
    QString line;
    QString type;         // TABLE, TABLE DATA, SEQUENCE SET, TRIGGER …
    QString schemaAndTag; // "public data", "public data tolvane_written" (the owner left off)
};

std::optional<TocEntry> tocEntry(const QString &line)
{
    // Longest first, so "TABLE DATA" is not read as TABLE.
    static const QStringList types{
        QStringLiteral("MATERIALIZED VIEW DATA"), QStringLiteral("SEQUENCE OWNED BY"), QStringLiteral("FK CONSTRAINT"),
        QStringLiteral("SEQUENCE SET"),           QStringLiteral("TABLE DATA"),        QStringLiteral("DEFAULT ACL"),
        QStringLiteral("EVENT TRIGGER"),          QStringLiteral("MATERIALIZED VIEW"), QStringLiteral("FOREIGN TABLE"),
        QStringLiteral("LARGE OBJECT"),           QStringLiteral("BLOB"),              QStringLiteral("BLOBS"),
    };
    static const QRegularExpression head(QStringLiteral("^\\d+; \\d+ \\d+ "));
    const QRegularExpressionMatch match = head.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    const QString rest = line.mid(match.capturedLength());
    TocEntry entry;
    entry.line = line;
    for (const QString &type : types) {
        if (rest.startsWith(type + QLatin1Char(' '))) {
            entry.type = type;
            break;
        }
    }
    if (entry.type.isEmpty())
        entry.type = rest.section(QLatin1Char(' '), 0, 0);
    const QString after = rest.mid(entry.type.size() + 1);
    // The owner is the last word, empty when the archive names none.
    entry.schemaAndTag = after.left(std::max<qsizetype>(after.lastIndexOf(QLatin1Char(' ')), 0));
    return entry;
}

// A foreign entry named for the shop assistant: "触发器 t1", "函数 f(integer)" …; `named` tells
// whether it is an object of its own rather than a part of one (a table's rows, keys, indexes).
QString describeEntry(const TocEntry &entry, bool *named = nullptr)
{
    static const QHash<QString, QString> kinds{
        {QStringLiteral("TRIGGER"), QStringLiteral("触发器")},  {QStringLiteral("EVENT TRIGGER"), QStringLiteral("触发器")},
        {QStringLiteral("FUNCTION"), QStringLiteral("函数")},   {QStringLiteral("PROCEDURE"), QStringLiteral("函数")},
        {QStringLiteral("AGGREGATE"), QStringLiteral("函数")},  {QStringLiteral("VIEW"), QStringLiteral("视图")},
        {QStringLiteral("MATERIALIZED VIEW"), QStringLiteral("视图")}, {QStringLiteral("TABLE"), QStringLiteral("数据表")},
        {QStringLiteral("FOREIGN TABLE"), QStringLiteral("数据表")}, {QStringLiteral("RULE"), QStringLiteral("规则")},
        {QStringLiteral("EXTENSION"), QStringLiteral("扩展")},  {QStringLiteral("SCHEMA"), QStringLiteral("模式")},
    };
    if (named)
        *named = kinds.contains(entry.type);
    const QString kind = kinds.value(entry.type, QStringLiteral("对象 %1").arg(entry.type));
    // The tag without the schema in front ("-" for objects of no schema); a trigger's or a
    // rule's tag names its table first.
    QString name = entry.schemaAndTag.section(QLatin1Char(' '), 1);
    if (entry.type == QLatin1String("TRIGGER") || entry.type == QLatin1String("RULE") ||
        entry.type == QLatin1String("POLICY"))
        name = name.section(QLatin1Char(' '), -1);
    return QStringLiteral("%1 %2").arg(kind, name.isEmpty() ? entry.schemaAndTag : name);
}

// What the table of contents holds, sorted into what is restored, what is the program's own (made
// by the program, never taken from a backup) and what no backup of this program holds.
struct Contents {
    QStringList restored; // the list lines handed to pg_restore --use-list
    QStringList foreign;  // described for the shop assistant
    QSet<QString> tables, tableData;
};

Contents sortContents(const QStringList &listLines, const QString &schema)
{
    const QStringList tables = shopTables();
    const QString s = schema + QLatin1Char(' ');
    // The program's own functions and collation (pgsql::schemaStatements()) and its triggers that
    // announce writes to the other tills.
    QSet<QString> own{s + QStringLiteral("pinyin"), s + QStringLiteral("ifnull(anyelement, anyelement)"),
                      s + QStringLiteral("round(double precision, integer)"), s + QStringLiteral("tolvane_announce()"),
                      s + QStringLiteral("tolvane_fixed4_units(double precision)"), s + QStringLiteral("total(double precision)")};
    own << s + QStringLiteral("tolvane_announce_stock_row()") << s + QStringLiteral("data tolvane_stock_row")
        << s + QStringLiteral("data tolvane_stock_rows_emptied");
    for (const schema::Table &table : schema::tables())
        own << s + table.name + QStringLiteral(" tolvane_written");
    Contents contents;
    QStringList parts;
    for (const QString &line : listLines) {
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        const std::optional<TocEntry> entry = tocEntry(line);
        if (!entry) {
            parts << line.left(80);
            continue;
        }
        const QString &type = entry->type;
        const QString &name = entry->schemaAndTag;
        const bool inSchema = name.startsWith(s);
        const QString tag = name.mid(s.size());
        const QString table = tag.section(QLatin1Char(' '), 0, 0);
        if ((type == QLatin1String("TABLE") || type == QLatin1String("TABLE DATA")) && inSchema && tables.contains(tag)) {
            (type == QLatin1String("TABLE") ? contents.tables : contents.tableData) << tag;
            contents.restored << line;
        } else if ((type == QLatin1String("SEQUENCE") || type == QLatin1String("SEQUENCE SET") ||
                    type == QLatin1String("INDEX")) && inSchema && !tag.contains(QLatin1Char(' '))) {
            // What they are is checked in the statements that make them.
            contents.restored << line;
        } else if (type == QLatin1String("CONSTRAINT") && inSchema && tables.contains(table)) {
            contents.restored << line;
        } else if ((type == QLatin1String("COLLATION") || type == QLatin1String("FUNCTION") ||
                    type == QLatin1String("AGGREGATE") || type == QLatin1String("TRIGGER")) && own.contains(name)) {
            // The program's own: the program makes them as it makes them.
        } else if (type == QLatin1String("ACL") || type == QLatin1String("DEFAULT ACL") ||
                   ((type == QLatin1String("SCHEMA") || type == QLatin1String("COMMENT")) &&
                    (name == QStringLiteral("- ") + schema || name == QStringLiteral("- SCHEMA ") + schema))) {
            // Who may do what on the server, and the shop's schema itself, are the server's to
            // keep: they are left as they are.
        } else {
            bool named = false;
            const QString described = describeEntry(*entry, &named);
            (named ? contents.foreign : parts) << described;
        }
    }
    // The parts of foreign objects (their rows, keys, indexes) are named only when nothing else is.
    if (contents.foreign.isEmpty())
        contents.foreign = parts;
    contents.foreign.removeDuplicates();
    return contents;
}

// Every statement that a restore would run, read from pg_restore's script of it, is one that a
// backup of this program holds; the rows of the user table hold the superadministrator.
class ScriptCheck {
public:
    explicit ScriptCheck(const QString &schema)
    {
        const QString s = QStringLiteral("(?:%1|%2)").arg(QRegularExpression::escape(schema),
                                                          QRegularExpression::escape(quotedIdentifier(schema)));
        const QString ident = QStringLiteral("(?:[a-z_][a-z0-9_]*|\"[A-Za-z0-9_]+\")");
        QStringList known;
        for (const QString &table : shopTables())
            known << QRegularExpression::escape(table);
        const QString t = QStringLiteral("(%1)").arg(known.join(QLatin1Char('|')));
        const QString identList = QStringLiteral("%1(?:, %1)*").arg(ident);
        auto pattern = [](const QString &text) {
            return QRegularExpression(QLatin1Char('^') + text + QLatin1Char('$'));
        };
        m_plain = {
            pattern(QStringLiteral("BEGIN;")),
            pattern(QStringLiteral("COMMIT;")),
            pattern(QStringLiteral("SET (?:statement_timeout|lock_timeout|idle_in_transaction_session_timeout|client_encoding|"
                                   "standard_conforming_strings|check_function_bodies|xmloption|client_min_messages|"
                                   "row_security|default_tablespace|default_table_access_method|default_with_oids) = "
                                   "(?:'[A-Za-z0-9_]*'|[A-Za-z0-9_]+);")),
            pattern(QStringLiteral("SELECT pg_catalog\\.set_config\\('search_path', '', false\\);")),
            pattern(QStringLiteral("DROP (?:TABLE|SEQUENCE|INDEX) IF EXISTS %1\\.%2;").arg(s, ident)),
            pattern(QStringLiteral("ALTER TABLE IF EXISTS ONLY %1\\.%2 DROP CONSTRAINT IF EXISTS %3;").arg(s, t, ident)),
            pattern(QStringLiteral("ALTER TABLE IF EXISTS %1\\.%2 ALTER COLUMN %3 DROP IDENTITY IF EXISTS;").arg(s, t, ident)),
            pattern(QStringLiteral("ALTER TABLE %1\\.%2 ALTER COLUMN %3 ADD GENERATED (?:BY DEFAULT|ALWAYS) AS IDENTITY "
                                   "\\( SEQUENCE NAME %1\\.%3(?: (?:START WITH|INCREMENT BY|CACHE|MINVALUE|MAXVALUE) -?\\d+"
                                   "| NO MINVALUE| NO MAXVALUE| NO CYCLE)* \\);").arg(s, t, ident)),
            pattern(QStringLiteral("SELECT pg_catalog\\.setval\\('%1\\.%2', \\d+, (?:true|false)\\);").arg(s, ident)),
            pattern(QStringLiteral("ALTER TABLE ONLY %1\\.%2 ADD CONSTRAINT %3 PRIMARY KEY \\(%4\\);").arg(s, t, ident, identList)),
            pattern(QStringLiteral("CREATE (?:UNIQUE )?INDEX %3 ON %1\\.%2 USING btree \\([^;]*\\);").arg(s, t, ident)),
        };
        m_createTable = pattern(QStringLiteral("CREATE TABLE %1\\.%2 \\( (.*) \\);").arg(s, t));
        m_column = pattern(QStringLiteral("(%1) (?:text|bigint|integer|smallint|double precision|real|boolean)"
                                          "(?: NOT NULL| COLLATE pg_catalog\\.\"C\"| COLLATE pg_catalog\\.\"default\")*")
                               .arg(ident));
        m_copy = pattern(QStringLiteral("COPY %1\\.%2 \\((%3)\\) FROM stdin;").arg(s, t, identList));
    }

    // One line of the script; false once the script holds something it must not.
    bool take(QByteArray line)
    {
        if (line.endsWith('\n'))
            line.chop(1);
        if (m_copyTable) {
            if (line == "\\.") {
                m_copyTable.reset();
                return true;
            }
            if (*m_copyTable == QLatin1String("userdb"))
                takeUser(line);
            return true;
        }
        const QString text = QString::fromUtf8(line);
        if (m_statement.isEmpty()) {
            // pg_restore's own comments and the script's guard against meta-commands (psql only).
            if (text.trimmed().isEmpty() || text.startsWith(QLatin1String("--")) ||
                text.startsWith(QLatin1String("\\restrict ")) || text.startsWith(QLatin1String("\\unrestrict ")))
                return true;
        }
        m_statement += text + QLatin1Char(' ');
        if (m_statement.size() > kLongestStatement)
            return refuse(m_statement.left(80));
        if (!text.trimmed().endsWith(QLatin1Char(';')))
            return true;
        const QString statement = m_statement.simplified();
        m_statement.clear();
        return judge(statement);
    }

    // The end of the script: whatever was missing.
    QString finish(const Contents &contents) const
    {
        if (!m_problem.isEmpty())
            return m_problem;
        if (!m_statement.trimmed().isEmpty())
            return QStringLiteral("含有不完整的语句");
        for (const schema::Table &table : schema::tables()) {
            if (!contents.tables.contains(table.name) || !m_columns.contains(table.name))
                return QStringLiteral("缺少数据表 %1").arg(table.name);
            if (!contents.tableData.contains(table.name) || !m_copied.contains(table.name))
                return QStringLiteral("缺少数据表 %1 的数据").arg(table.name);
            for (const QString &column : table.columns) {
                if (!m_columns.value(table.name).contains(column.toLower()))
                    return QStringLiteral("数据表 %1 缺少字段 %2").arg(table.name, column);
            }
        }
        return {};
    }
    bool hasSuperadministrator() const { return m_superadministrator; }

private:
    bool refuse(const QString &statement)
    {
        m_problem = QStringLiteral("含有本软件的备份中不会有的语句：%1").arg(statement.left(120));
        return false;
    }

    static QString columnName(QString ident)
    {
        if (ident.startsWith(QLatin1Char('"')))
            ident = ident.mid(1, ident.size() - 2);
        return ident.toLower();
    }

    bool judge(const QString &statement)
    {
        // One statement each: nothing hides behind a comment, a dollar quote or a second one.
        const QString body = statement.chopped(1);
        if (body.contains(QLatin1Char(';')) || statement.contains(QLatin1String("--")) ||
            statement.contains(QLatin1String("/*")) || statement.contains(QLatin1Char('$')))
            return refuse(statement);
        for (const QRegularExpression &allowed : m_plain) {
            if (allowed.match(statement).hasMatch())
                return true;
        }
        if (const QRegularExpressionMatch table = m_createTable.match(statement); table.hasMatch()) {
            QStringList columns;
            for (const QString &column : table.captured(2).split(QStringLiteral(", "))) {
                const QRegularExpressionMatch c = m_column.match(column);
                if (!c.hasMatch())
                    return refuse(QStringLiteral("CREATE TABLE %1 (… %2 …)").arg(table.captured(1), column));
                columns << columnName(c.captured(1));
            }
            m_columns.insert(table.captured(1), columns);
            return true;
        }
        if (const QRegularExpressionMatch copy = m_copy.match(statement); copy.hasMatch()) {
            m_copyTable = copy.captured(1);
            m_copied << *m_copyTable;
            if (*m_copyTable == QLatin1String("userdb")) {
                const QStringList columns = copy.captured(2).split(QStringLiteral(", "));
                m_userColumn = -1;
                m_passwordColumn = -1;
                for (int i = 0; i < columns.size(); ++i) {
                    if (columnName(columns[i]) == QLatin1String("username"))
                        m_userColumn = i;
                    else if (columnName(columns[i]) == QLatin1String("passwd"))
                        m_passwordColumn = i;
                }
            }
            return true;
        }
        return refuse(statement);
    }

    // A row of the user table in COPY's text form: tab between the values, \N for none.
    void takeUser(const QByteArray &line)
    {
        if (m_userColumn < 0 || m_passwordColumn < 0)
            return;
        const QList<QByteArray> values = line.split('\t');
        if (values.size() <= std::max(m_userColumn, m_passwordColumn))
            return;
        const QByteArray password = values[m_passwordColumn];
        if (QString::fromUtf8(values[m_userColumn]) == QStringLiteral("超级管理员") && !password.isEmpty() &&
            password != "\\N")
            m_superadministrator = true;
    }

    QList<QRegularExpression> m_plain;
    QRegularExpression m_createTable, m_column, m_copy;
    QString m_statement;
    std::optional<QString> m_copyTable;
    QHash<QString, QStringList> m_columns;
    QSet<QString> m_copied;
    int m_userColumn = -1, m_passwordColumn = -1;
    bool m_superadministrator = false;
    QString m_problem;
};

// The options of the restore itself; the check reads the script of exactly these.
QStringList restoreOptions(const QString &listFile)
{
    return {QStringLiteral("--clean"),          QStringLiteral("--if-exists"),
            QStringLiteral("--single-transaction"), QStringLiteral("--no-owner"),
            QStringLiteral("--no-privileges"),  QStringLiteral("--exit-on-error"),
            QStringLiteral("--use-list=") + listFile};
}

// The outcome of a check: why the archive cannot be restored, or the list of what is restored,
// written to `listFile`.
struct Checked {
    QString problem;
    bool cancelled = false;
};

Checked check(const QString &archive, const QString &schema, QTemporaryFile &listFile, const CopyProgress &progress)
{
    const QString name = native(archive);
    const QFileInfo info(archive);
    if (!info.isFile())
        return {QStringLiteral("文件 %1 不存在").arg(name)};
    if (info.size() == 0)
        return {QStringLiteral("文件 %1 是空的，不是数据库备份").arg(name)};
    QFile raw(archive);
    if (!raw.open(QIODevice::ReadOnly))
        return {QStringLiteral("无法读取文件 %1：%2").arg(name, raw.errorString())};
    const QByteArray head = raw.read(16);
    raw.close();
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return {QStringLiteral("%1 是数据库文件的备份，不能用来恢复服务器上的数据库").arg(name)};
    if (!head.startsWith(kMagic))
        return {QStringLiteral("文件 %1 不是服务器数据库的备份（pg_dump 自定义格式）").arg(name)};

    QStringList listLines;
    ToolRun list{kRestore, {QStringLiteral("--list"), archive}, {}, [&](const QByteArray &line) {
                     listLines << QString::fromUtf8(line).chopped(line.endsWith('\n') ? 1 : 0);
                     return true;
                 }};
    list.progress = &progress;
    const Outcome listed = run(list);
    if (listed.end == Outcome::End::Cancelled)
        return {{}, true};
    if (!listed.succeeded())
        return {QStringLiteral("备份 %1 已损坏，无法读取：%2").arg(name, toolWords(listed.errors))};
    const Contents contents = sortContents(listLines, schema);
    if (!contents.foreign.isEmpty())
        return {QStringLiteral("%1 不能用来恢复：它含有不是本软件建立的%2")
                    .arg(name, contents.foreign.join(QStringLiteral("、")))};
    if (!listFile.open())
        throw UserVisibleError(QStringLiteral("无法写入临时文件：%1").arg(listFile.errorString()));
    listFile.write((contents.restored.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    listFile.flush();

    // The whole archive read through as the restore would run it.
    ScriptCheck script(schema);
    ToolRun read{kRestore, QStringList{QStringLiteral("--file=-")} + restoreOptions(listFile.fileName()) + QStringList{archive},
                 {}, [&](const QByteArray &line) { return script.take(line); }};
    read.progress = &progress;
    const Outcome readThrough = run(read);
    if (readThrough.end == Outcome::End::Cancelled)
        return {{}, true};
    if (const QString why = script.finish(contents); !why.isEmpty()) {
        if (readThrough.end == Outcome::End::Stopped || readThrough.succeeded())
            return {QStringLiteral("%1 不是本软件的备份：%2").arg(name, why)};
    }
    if (!readThrough.succeeded())
        return {QStringLiteral("备份 %1 已损坏或不完整：%2").arg(name, toolWords(readThrough.errors))};
    if (!script.hasSuperadministrator())
        return {QStringLiteral("%1 不能用来恢复：其中没有用户“超级管理员”，恢复后将无人能够登录").arg(name)};
    return {};
}

} // namespace

QString placeholderFile(const QString &workingFolder)
{
    return QDir(workingFolder).absoluteFilePath(QStringLiteral("data.") + QLatin1String(kSuffix));
}

bool dump(const QString &conninfo, const QString &target, const CopyProgress &progress, int timeoutMs)
{
    const ToolConnection connection = toolConnection(conninfo);
    safefile::makeFolderFor(target);
    safefile::removeLeftoversIn(QFileInfo(target).absolutePath());
    const QString temporary = safefile::temporaryNameBeside(target);
    // The schema's tables only: what a restore puts back. Another program's tables in the same
    // database are neither saved nor, at a restore, touched.
    const QString schema = shopSchema(conninfo);
    QStringList arguments{QStringLiteral("--format=custom"), QStringLiteral("--file=") + temporary,
                          QStringLiteral("--lock-wait-timeout=%1").arg(kLockWaitMs)};
    for (const QString &table : shopTables())
        arguments << QStringLiteral("--table=%1.%2").arg(quotedIdentifier(schema), quotedIdentifier(table));
    arguments << QStringLiteral("--dbname=") + connection.dbname;
    try {
        ToolRun how{kDump, arguments, connection.password, {}};
        how.progress = &progress;
        how.timeoutMs = timeoutMs;
        const Outcome outcome = run(how);
        if (outcome.end == Outcome::End::Cancelled) {
            QFile::remove(temporary);
            return false;
        }
        if (!outcome.succeeded())
            throw UserVisibleError(QStringLiteral("无法备份服务器上的数据库：%1")
                                       .arg(failureText(outcome, conninfo, true)));
        QFile written(temporary);
        if (!written.open(QIODevice::ReadOnly) || !written.read(sizeof kMagic - 1).startsWith(kMagic))
            throw UserVisibleError(QStringLiteral("无法备份服务器上的数据库：备份程序没有写出完整的备份"));
        written.close();
        safefile::flush(temporary);
        safefile::replace(temporary, target);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    return true;
}

QString problem(const QString &archive, const QString &conninfo)
{
    try {
        QTemporaryFile listFile;
        const CopyProgress none;
        return check(archive, shopSchema(conninfo), listFile, none).problem;
    } catch (const UserVisibleError &e) {
        return e.text();
    }
}

bool replaceDatabase(const QString &archive, const QString &conninfo, const QString &keepAs,
                     const CopyProgress &progress)
{
    const ToolConnection connection = toolConnection(conninfo);
    QTemporaryFile listFile;
    const Checked checked = check(archive, shopSchema(conninfo), listFile, progress);
    if (checked.cancelled)
        return false;
    if (!checked.problem.isEmpty())
        throw UserVisibleError(checked.problem);
    try {
        if (!dump(conninfo, keepAs, progress))
            return false;
    } catch (const UserVisibleError &e) {
        throw UserVisibleError(QStringLiteral("无法先保存当前的数据库，数据库没有恢复。\n%1").arg(e.text()));
    }
    ToolRun how{kRestore,
                restoreOptions(listFile.fileName()) + QStringList{QStringLiteral("--dbname=") + connection.dbname, archive},
                connection.password, {}};
    how.progress = &progress;
    const Outcome restored = run(how);
    if (restored.end == Outcome::End::Cancelled)
        return false;
    if (!restored.succeeded())
        throw UserVisibleError(QStringLiteral("服务器上的数据库没有恢复，仍是原来的数据：%1")
                                   .arg(failureText(restored, conninfo, false)));
    // The program's functions and triggers on the restored tables, as at every open, and the
    // other tills told to read everything again. Should this fail, the next open does it.
    try {
        Database restoredShop{ServerAddress{conninfo}};
        restoredShop.open();
        restoredShop.announceEverythingWritten();
    } catch (const UserVisibleError &) {
    }
    return true;
}

} // namespace serverbackup
