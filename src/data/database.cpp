#include "data/database.h"

#include "common/errors.h"
#include "common/passwordhash.h"
#include "data/collation.h"
#include "data/engineerror.h"
#include "data/pgconnection.h"
#include "data/rawsql.h"
#include "data/saletextindex.h"
#include "data/schema.h"
#include "data/shopfilecheck.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <sqlite3.h>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace {

// The channel on which a server tells the tills of one shop that one of them wrote (the triggers
// of the server schema announce every write).
constexpr std::string_view kWrittenChannel = "tolvane_written";
// The channel on which each stock row written is named by its key (see takeWrittenStockRows).
constexpr std::string_view kStockRowsChannel = "tolvane_stock_rows";

// Has the server connection listen on both channels.
void listen(PgConnection &server)
{
    for (const std::string_view channel : {kWrittenChannel, kStockRowsChannel})
        server.execute(Statement(QStringLiteral("LISTEN ") + QLatin1String(channel)));
}

using rawsql::bindText;
using rawsql::forEachRow;
using rawsql::textOf;

// Opens a connection with `flags` and the busy timeout set before anything is read, so a file
// another program holds for a moment is waited for from the first statement on. A failure that
// is none of the causes the user can act on is told as `failure` (cannot open, cannot create).
sqlite3 *openConnection(const QString &fileName, int flags, int busyTimeoutMs, const QString &failure)
{
    sqlite3 *db = nullptr;
    const QByteArray path = fileName.toUtf8();
    const int rc = sqlite3_open_v2(path.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        DbError error = engineerror::last(db);
        if (error.cause() == DbError::Cause::Other)
            error = DbError(QStringLiteral("%1 %2：%3")
                                .arg(failure, fileName, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc))));
        sqlite3_close(db);
        throw error;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    return db;
}

// Whether a statement may delete every row of a table at once: a DELETE without WHERE.
bool emptiesATable(const QByteArray &sql)
{
    const QByteArray text = sql.trimmed().toLower();
    return text.startsWith("delete") && !text.contains("where");
}

QString cannotOpen()
{
    return QStringLiteral("无法打开数据库文件");
}

void bindValue(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(stmt, index, v.toDouble());
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Bool:
        sqlite3_bind_int64(stmt, index, v.toLongLong());
        return;
    case QMetaType::QDate:
        bindText(stmt, index, v.toDate().toString(QStringLiteral("yyyy-MM-dd")));
        return;
    case QMetaType::QDateTime:
        bindText(stmt, index, v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        return;
    default:
        bindText(stmt, index, v.toString());
        return;
    }
}

} // namespace

Database::Database(QString fileName) : m_fileName(std::move(fileName)) {}

Database::Database(const ServerAddress &server)
    : m_fileName(server.conninfo), m_server(std::make_unique<PgConnection>(server.conninfo))
{
}

bool Database::isOpen() const
{
    return m_server ? m_server->isOpen() : m_db != nullptr;
}

// A server database is the shop's when it holds the program's four tables with every column.
void Database::openOnServer()
{
    m_server->open();
    ++m_generation;
    try {
        for (const schema::Table &table : schema::tables()) {
            QStringList columns;
            m_server->query(Statement(QStringLiteral("SELECT lower(column_name) FROM information_schema.columns "
                                                     "WHERE table_schema = current_schema() AND table_name = ?"),
                                      {table.name}),
                            [&](const ResultRow &row) { columns << row.text(0); });
            if (columns.isEmpty()) {
                const QString why = QStringLiteral("服务器上的数据库不是本软件的数据库：缺少数据表 %1").arg(table.name);
                const Statement anyTable(QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                                        "WHERE table_schema = current_schema()"));
                if (m_server->scalar(anyTable).toLongLong() == 0)
                    throw EmptyServerDatabaseError(why);
                throw DbError(why);
            }
            for (const QString &column : table.columns) {
                if (!columns.contains(column.toLower()))
                    throw DbError(QStringLiteral("服务器上的数据库不是本软件的数据库：数据表 %1 缺少字段 %2")
                                      .arg(table.name, column));
            }
        }
        // The program's own tables, indexes and functions, when a program before them made the
        // database; tills starting at the same moment take turns (the server refuses two changes
        // of one function at once).
        m_server->execute(Statement("BEGIN"));
        m_server->execute(Statement("SELECT pg_advisory_xact_lock(72101)"));
        for (const QString &statement : pgsql::schemaStatements()) {
            if (!statement.startsWith(QLatin1String("CREATE TABLE ")) || statement.contains(QLatin1String("IF NOT EXISTS")))
                m_server->execute(Statement(statement));
        }
        m_server->execute(Statement("COMMIT"));
        listen(*m_server);
    } catch (...) {
        m_server->close();
        throw;
    }
}

// A new shop on an empty server database: the program's schema and the first user, in one go.
void Database::createOnServer(const QString &firstUserPasswordHash)
{
    m_server->open();
    ++m_generation;
    try {
        const Statement tables(QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                              "WHERE table_schema = current_schema()"));
        if (m_server->scalar(tables).toLongLong() != 0)
            throw DbError(QStringLiteral("服务器上的这个数据库不是空的，不能在其中建立新的店铺数据库"));
        inTransaction(*this, [&] {
            for (const QString &statement : pgsql::schemaStatements())
                m_server->execute(Statement(statement));
            execute(schema::firstUser(firstUserPasswordHash));
        });
        listen(*m_server);
    } catch (...) {
        m_server->close();
        throw;
    }
}

bool Database::serverWrites(const QString &sql)
{
    static const QStringList reading{QStringLiteral("SELECT"),   QStringLiteral("WITH"),    QStringLiteral("BEGIN"),
                                     QStringLiteral("COMMIT"),   QStringLiteral("ROLLBACK"), QStringLiteral("SAVEPOINT"),
                                     QStringLiteral("RELEASE"),  QStringLiteral("SET"),     QStringLiteral("SHOW"),
                                     QStringLiteral("LISTEN"),   QStringLiteral("NOTIFY"),  QStringLiteral("LOCK")};
    return !reading.contains(sql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper());
}

void Database::guardServerWrite(const QString &sql)
{
    if (m_writeGuard && serverWrites(sql))
        m_writeGuard();
}

void Database::removeForeignObjects(const QString &fileName, int busyTimeoutMs)
{
    sqlite3 *db = openConnection(QFileInfo(fileName).absoluteFilePath(), SQLITE_OPEN_READWRITE, busyTimeoutMs,
                                 cannotOpen());
    try {
        shopfilecheck::removeForeignObjects(db);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

Database::~Database()
{
    close();
}

bool Database::exists() const
{
    return QFileInfo::exists(m_fileName);
}

void Database::applyPragmas()
{
    // Settings of this connection, not writes to the file: the write guard has no say in them.
    std::function<void()> guard = std::exchange(m_writeGuard, {});
    try {
        // Lists and sorts of Chinese text order by pinyin on every connection.
        if (!collation::install(m_db))
            throw DbError(QStringLiteral("数据库错误：无法注册拼音排序规则"));
        execute(Statement("PRAGMA foreign_keys=OFF"));
        query(Statement("PRAGMA journal_mode=DELETE"), [](const ResultRow &) {});
        execute(Statement("PRAGMA synchronous=FULL"));
        // Reads through the system's file cache, not a memory map: a listing of a large shop reads
        // most of the file once, and mapped, every page read stayed counted in the program's
        // memory (over 600 MB at a million stock rows) and cost a page fault on first touch.
        query(Statement(QStringLiteral("PRAGMA mmap_size=%1").arg(kMemoryMapBytes)), [](const ResultRow &) {});
    } catch (...) {
        m_writeGuard = std::move(guard);
        throw;
    }
    m_writeGuard = std::move(guard);
}

void Database::requireShopDatabase(const QString &fileName, int busyTimeoutMs)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        throw DbError(QStringLiteral("数据库文件 %1 不存在").arg(fileName));
    // A writable file is opened for writing, so a write cut short (a crash, a power cut) is rolled
    // back from its journal on the first read instead of making the file unreadable.
    const int flags = info.isWritable() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    sqlite3 *db = openConnection(info.absoluteFilePath(), flags, busyTimeoutMs, cannotOpen());
    auto notOurs = [&](const QString &why) {
        return DbError(QStringLiteral("%1 不是本软件的数据库：%2").arg(fileName, why));
    };
    try {
        QString problem;
        try {
            problem = shopfilecheck::structureProblem(db);
        } catch (const DbError &e) {
            // A file the engine cannot read as a database at all is a foreign file; a locked or
            // damaged one is said to be so.
            const QString engineText = QString::fromUtf8(sqlite3_errmsg(db));
            if (sqlite3_extended_errcode(db) == SQLITE_NOTADB)
                throw notOurs(QStringLiteral("它不是 SQLite 数据库文件（%1）").arg(engineText));
            if (e.cause() == DbError::Cause::Other)
                throw notOurs(engineText);
            if (e.cause() == DbError::Cause::Damaged)
                throw DbError(QStringLiteral("数据库文件 %1 已损坏，无法使用：%2").arg(fileName, engineText),
                              DbError::Cause::Damaged);
            throw;
        }
        if (!problem.isEmpty())
            throw notOurs(problem);
        // Triggers and views run on their own with the program's writes: a file holding ones the
        // program did not make is not used until the person has decided about them.
        if (const QStringList foreign = shopfilecheck::foreignObjects(db, false); !foreign.isEmpty())
            throw ForeignObjectsError(QStringLiteral("数据库 %1 %2，它们会在保存时自行改动数据。")
                                          .arg(fileName, shopfilecheck::describe(foreign)),
                                      foreign);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

bool Database::isShopDatabase(const QString &fileName, QString *why)
{
    try {
        requireShopDatabase(fileName, kBusyTimeoutMs);
        return true;
    } catch (const DbError &e) {
        if (why)
            *why = e.text();
        return false;
    }
}

void Database::open()
{
    close();
    if (m_server) {
        openOnServer();
        return;
    }
    requireShopDatabase(m_fileName, m_busyTimeoutMs);
    m_db = openConnection(m_fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, m_busyTimeoutMs, cannotOpen());
    installBusyHandler();
    try {
        applyPragmas();
    } catch (...) {
        close();
        throw;
    }
    addMissingIndexes();
    addSaleTextIndex();
}

void Database::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
}

void Database::installBusyHandler()
{
    ++m_generation;
    m_waiting = false;
    sqlite3_busy_handler(
        m_db, [](void *self, int count) { return static_cast<Database *>(self)->waitWhileBusy(count); }, this);
    installWriteWatch();
}

int Database::waitWhileBusy(int count)
{
    if (m_noWait)
        return 0;
    const long long now = QDateTime::currentMSecsSinceEpoch();
    if (count == 0) {
        m_waitStartMs = now;
        if (!m_waiting) {
            m_waiting = true;
            if (m_busyNotice)
                m_busyNotice(true);
        }
    }
    const long long left = m_busyTimeoutMs - (now - m_waitStartMs);
    if (left <= 0)
        return 0;
    // Short naps first: most holds last a few milliseconds (another program's commit).
    const long long nap = count < 5 ? 1 : count < 20 ? 5 : 20;
    sqlite3_sleep(int(std::min(nap, left)));
    return 1;
}

void Database::endWait()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (m_busyNotice)
        m_busyNotice(false);
}

bool Database::inWriteGroup() const
{
    if (m_server)
        return m_server->inTransaction();
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void Database::takeServerNotifications()
{
    // Other tills' writes move the version on; stock rows written by any till, this one too, are
    // named by key.
    m_server->takeNotifications([this](std::string_view channel, std::string_view payload, bool own) {
        if (channel == kWrittenChannel) {
            if (!own)
                ++m_serverVersion;
            return;
        }
        if (channel != kStockRowsChannel)
            return;
        long long key = 0;
        const auto [end, error] = std::from_chars(payload.data(), payload.data() + payload.size(), key);
        if (error == std::errc() && end == payload.data() + payload.size())
            noteWrittenStockRow(key);
        else
            m_writtenUnknown = true; // "all": emptied or restored
    });
}

void Database::noteWrittenStockRow(long long key)
{
    // Past this many, reading the whole table again costs less than reading each row.
    constexpr size_t kMostKeys = 100000;
    if (m_writtenUnknown)
        return;
    if (m_writtenKeys.size() >= kMostKeys) {
        m_writtenUnknown = true;
        m_writtenKeys.clear();
        m_writtenKeys.shrink_to_fit();
        return;
    }
    m_writtenKeys.push_back(key);
}

void Database::installWriteWatch()
{
    m_writtenUnknown = true;
    m_writtenKeys.clear();
    sqlite3_update_hook(
        m_db,
        [](void *self, int, const char *database, const char *table, sqlite3_int64 key) {
            if (std::strcmp(database, "main") == 0 && sqlite3_stricmp(table, "data") == 0)
                static_cast<Database *>(self)->noteWrittenStockRow(key);
        },
        this);
}

Database::WrittenRows Database::takeWrittenStockRows()
{
    if (m_server && m_server->isOpen())
        takeServerNotifications();
    WrittenRows written{m_writtenUnknown, std::move(m_writtenKeys)};
    m_writtenKeys.clear();
    m_writtenUnknown = false;
    if (std::exchange(m_writtenGeneration, m_generation) != m_generation || !isOpen())
        written.unknown = true;
    if (!m_server) {
        // Another program's commit moves the file's data version on; its rows are not known.
        const long long version = dataVersion();
        if (version < 0 || std::exchange(m_writtenVersion, version) != version)
            written.unknown = true;
    }
    if (written.unknown)
        written.keys.clear();
    return written;
}

void Database::announceEverythingWritten()
{
    if (!m_server)
        return;
    execute(Statement(QStringLiteral("NOTIFY ") + QLatin1String(kWrittenChannel)));
    execute(Statement(QStringLiteral("NOTIFY ") + QLatin1String(kStockRowsChannel) + QStringLiteral(", 'all'")));
}

long long Database::dataVersion()
{
    if (m_server) {
        // The server tells of other tills' writes as notifications: each one moves the version on.
        takeServerNotifications();
        return m_server->isOpen() ? m_serverVersion : -1;
    }
    if (!m_db)
        return -1;
    const bool noWait = std::exchange(m_noWait, true);
    long long version = -1;
    try {
        query(Statement("PRAGMA data_version"),
              [&](const ResultRow &row) { version = row.integer(0); });
    } catch (const DbError &) {
        version = -1;
    }
    m_noWait = noWait;
    return version;
}

void Database::addMissingIndexes()
{
    // The indexes only make reading faster. Only missing ones are made, so opening a file that
    // has them writes nothing; a file that cannot be written to now (read-only, locked by
    // another program, refused by the write guard) is used without them.
    try {
        const QStringList names = schema::indexNames();
        QStringList present;
        query(Statement("SELECT name FROM sqlite_master WHERE type='index'"),
              [&](const ResultRow &row) { present << row.text(0); });
        const QStringList statements = schema::indexStatements();
        for (int i = 0; i < names.size(); ++i) {
            if (!present.contains(names.at(i)))
                execute(Statement(statements.at(i)));
        }
    } catch (const DbError &) {
    }
    // The program's own tables likewise, only when missing; whoever uses one makes it first when it
    // could not be made here.
    try {
        for (const schema::ProgramTable &table : schema::programTables()) {
            const Statement present(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?"),
                                    {table.name});
            if (scalar(present).toInt() == 0)
                execute(Statement(table.statement));
        }
    } catch (const DbError &) {
    }
}

void Database::addSaleTextIndex()
{
    // The index only makes searching faster: a file that cannot have it now (an engine without
    // FTS5's trigram tokenizer, a file that cannot be written, an object of one of its names that
    // the program did not make) is searched line by line, as before it.
    m_saleTextIndex = false;
    m_saleTextIndexSchema = -1;
    try {
        if (!saletextindex::engineSupports(m_db))
            return;
        const saletextindex::State state = saletextindex::state(*this);
        if (state == saletextindex::State::Foreign)
            return;
        if (state != saletextindex::State::Complete) {
            // Filling it reads every sale line: some seconds on a large shop, once.
            if (m_upgradeNotice)
                m_upgradeNotice(QStringLiteral("正在为销售记录建立查询索引（只在第一次打开时需要），请稍候……"));
            try {
                saletextindex::make(*this);
            } catch (...) {
                if (m_upgradeNotice)
                    m_upgradeNotice({});
                throw;
            }
            if (m_upgradeNotice)
                m_upgradeNotice({});
        }
        m_saleTextIndex = true;
        m_saleTextIndexSchema = scalar(Statement("PRAGMA schema_version")).toLongLong();
    } catch (const DbError &) {
        m_saleTextIndex = false;
    }
}

bool Database::hasSaleTextIndex()
{
    if (!m_saleTextIndex || !m_db)
        return false;
    const long long schema = scalar(Statement("PRAGMA schema_version")).toLongLong();
    if (schema != m_saleTextIndexSchema) {
        m_saleTextIndex = saletextindex::state(*this) == saletextindex::State::Complete;
        m_saleTextIndexSchema = schema;
    }
    return m_saleTextIndex;
}

void Database::create()
{
    create(passwordhash::make(passwordhash::initialPassword()));
}

void Database::create(const QString &firstUserPasswordHash)
{
    if (m_server) {
        close();
        createOnServer(firstUserPasswordHash);
        return;
    }
    if (exists())
        throw DbError(QStringLiteral("数据库文件 %1 已存在").arg(m_fileName));
    close();
    m_db = openConnection(m_fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, m_busyTimeoutMs,
                          QStringLiteral("无法创建数据库文件"));
    installBusyHandler();
    try {
        applyPragmas();
        inTransaction(*this, [&] {
            for (const QString &sql :
                 schema::createStatements() + schema::programTableStatements() + schema::indexStatements())
                execute(Statement(sql));
            if (saletextindex::engineSupports(m_db))
                saletextindex::make(*this);
            execute(schema::firstUser(firstUserPasswordHash));
        });
        m_saleTextIndex = saletextindex::state(*this) == saletextindex::State::Complete;
        m_saleTextIndexSchema = scalar(Statement("PRAGMA schema_version")).toLongLong();
    } catch (...) {
        close();
        QFile::remove(m_fileName);
        throw;
    }
}

void Database::close()
{
    m_saleTextIndex = false;
    if (m_server)
        m_server->close();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Database::fail(sqlite3_stmt *stmt) const
{
    const DbError error = engineerror::last(m_db);
    sqlite3_finalize(stmt);
    throw error;
}

sqlite3_stmt *Database::prepareGuarded(const QString &sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库没有打开"));
    sqlite3_stmt *stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        fail(stmt);
    if (!stmt)
        throw DbError(QStringLiteral("数据库错误：空语句"));
    // A DELETE without WHERE empties a table at once, without telling the update hook of its rows.
    if (!sqlite3_stmt_readonly(stmt) && emptiesATable(text))
        m_writtenUnknown = true;
    if (m_writeGuard && !sqlite3_stmt_readonly(stmt)) {
        try {
            m_writeGuard();
        } catch (...) {
            sqlite3_finalize(stmt);
            throw;
        }
    }
    return stmt;
}

sqlite3_stmt *Database::prepare(const Statement &statement)
{
    sqlite3_stmt *stmt = prepareGuarded(statement.sql);
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != statement.params.size()) {
        sqlite3_finalize(stmt);
        throw DbError(QStringLiteral("数据库错误：语句需要 %1 个参数，给出 %2 个")
                          .arg(expected)
                          .arg(statement.params.size()));
    }
    for (int i = 0; i < expected; ++i)
        bindValue(stmt, i + 1, statement.params.at(i));
    return stmt;
}

void Database::execute(const Statement &statement)
{
    if (m_server) {
        guardServerWrite(statement.sql);
        m_server->execute(statement);
        return;
    }
    sqlite3_stmt *stmt = prepare(statement);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    endWait();
    if (rc != SQLITE_DONE)
        fail(stmt);
    sqlite3_finalize(stmt);
}

namespace {

// The row an SQLite statement stands on.
class SqliteRow final : public ResultRow {
public:
    explicit SqliteRow(sqlite3_stmt *stmt) : m_stmt(stmt) {}
    int columnCount() const override { return sqlite3_column_count(m_stmt); }
    Type type(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_NULL:
            return Type::Null;
        case SQLITE_INTEGER:
            return Type::Integer;
        case SQLITE_FLOAT:
            return Type::Real;
        default:
            return Type::Text;
        }
    }
    long long integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const override { return sqlite3_column_double(m_stmt, column); }
    std::string_view utf8(int column) const override
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column)); // before its size
        return text ? std::string_view(text, size_t(sqlite3_column_bytes(m_stmt, column))) : std::string_view();
    }

private:
    sqlite3_stmt *m_stmt;
};

} // namespace

void Database::query(const Statement &statement, const std::function<void(const ResultRow &)> &onRow,
                     QStringList *columns)
{
    if (m_server) {
        guardServerWrite(statement.sql);
        m_server->query(statement, onRow, columns);
        return;
    }
    sqlite3_stmt *stmt = prepare(statement);
    if (columns) {
        columns->clear();
        for (int i = 0, n = sqlite3_column_count(stmt); i < n; ++i)
            *columns << QString::fromUtf8(sqlite3_column_name(stmt, i));
    }
    int rc;
    const SqliteRow row(stmt);
    try {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            onRow(row);
    } catch (...) {
        endWait();
        sqlite3_finalize(stmt);
        throw;
    }
    endWait();
    if (rc != SQLITE_DONE)
        fail(stmt);
    sqlite3_finalize(stmt);
}

QStringList Database::columns(const Statement &statement)
{
    if (m_server) {
        QStringList names;
        m_server->query(Statement(QStringLiteral("SELECT * FROM (%1) AS shape LIMIT 0").arg(statement.sql),
                                  statement.params),
                        [](const ResultRow &) {}, &names);
        return names;
    }
    sqlite3_stmt *stmt = prepare(statement);
    QStringList names;
    for (int i = 0, n = sqlite3_column_count(stmt); i < n; ++i)
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
    sqlite3_finalize(stmt);
    return names;
}

QVariant Database::scalar(const Statement &statement)
{
    QVariant result;
    bool first = true;
    query(statement, [&](const ResultRow &row) {
        if (first)
            result = row.value(0);
        first = false;
    });
    return result;
}

long long Database::lastInsertId() const
{
    if (m_server)
        return m_server->scalar(Statement("SELECT lastval()")).toLongLong();
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Database::changes() const
{
    if (m_server)
        return m_server->changes();
    return m_db ? sqlite3_changes(m_db) : 0;
}

RepeatedStatement::RepeatedStatement(Database &db, const QString &sql) : m_db(db)
{
    if (db.onServer()) {
        m_sql = sql;
        m_count = pgsql::parameterCount(sql);
        return;
    }
    m_stmt = db.prepareGuarded(sql);
    m_count = sqlite3_bind_parameter_count(m_stmt);
    m_texts.resize(size_t(m_count));
}

RepeatedStatement::~RepeatedStatement()
{
    sqlite3_finalize(m_stmt);
}

void RepeatedStatement::run(const QVariantList &values)
{
    if (values.size() != m_count)
        throw DbError(QStringLiteral("数据库错误：语句需要 %1 个参数，给出 %2 个").arg(m_count).arg(values.size()));
    if (!m_stmt) {
        m_db.execute(Statement(m_sql, values));
        return;
    }
    for (int i = 0; i < m_count; ++i) {
        const QVariant &v = values.at(i);
        if (v.typeId() == QMetaType::QString) {
            // Texts are bound from buffers of this statement, kept until the next run, so the
            // engine need not copy them: bulk inserts are mostly texts.
            QByteArray &utf8 = m_texts[size_t(i)];
            utf8 = v.toString().toUtf8();
            sqlite3_bind_text(m_stmt, i + 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        } else {
            bindValue(m_stmt, i + 1, v);
        }
    }
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    m_db.endWait();
    if (rc != SQLITE_DONE) {
        const DbError error = engineerror::last(m_db.m_db);
        sqlite3_reset(m_stmt); // ready for the next run
        throw error;
    }
    sqlite3_reset(m_stmt);
}

Transaction::Transaction(Database &db) : m_db(db)
{
    // The outermost group takes the write lock at once, waiting (the busy timeout) while another
    // program holds it: a group that had read first could not wait for it later, the engine
    // refuses such a wait to avoid a deadlock. Groups inside it are savepoints.
    m_outermost = !m_db.isOpen() || !m_db.inWriteGroup();
    if (m_outermost) {
        try {
            // A server locks the rows a group writes as it writes them.
            m_db.execute(Statement(m_db.onServer() ? "BEGIN" : "BEGIN IMMEDIATE"));
        } catch (const DbError &e) {
            // Another program kept the write lock for the whole busy timeout: it is saving.
            if (e.cause() == DbError::Cause::Locked)
                throw DbError(QStringLiteral("另一台电脑正在保存，请稍后再试"), DbError::Cause::Locked);
            throw;
        }
        return;
    }
    static int counter = 0;
    m_name = QStringLiteral("tx%1").arg(++counter);
    m_db.execute(Statement(QStringLiteral("SAVEPOINT ") + m_name));
}

Transaction::~Transaction()
{
    if (m_done || !m_db.isOpen())
        return;
    try {
        if (m_outermost) {
            // The engine may have rolled back already (e.g. a full disk): nothing is left to undo.
            if (m_db.inWriteGroup())
                m_db.execute(Statement("ROLLBACK"));
            return;
        }
        m_db.execute(Statement(QStringLiteral("ROLLBACK TO ") + m_name));
        m_db.execute(Statement(QStringLiteral("RELEASE ") + m_name));
    } catch (...) {
        // Nothing more can be done while unwinding; the connection keeps its state.
    }
}

void Transaction::commit()
{
    m_db.execute(Statement(m_outermost ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + m_name));
    m_done = true;
}
