#include "rawreplay.h"

#include "data/collation.h"
#include "data/database.h"
#include "data/pgconnection.h"

#include <QCoreApplication>
#include <cstdio>
#include <libpq-fe.h>
#include <map>
#include <sqlite3.h>

StatementLog::StatementLog(Database &db) : m_db(db)
{
    if (PgConnection *server = db.serverConnection()) {
        server->setTrace([this](const QByteArray &sql, const std::vector<const char *> &values) {
            Recorded r{sql.toStdString(), {}};
            for (const char *value : values)
                r.values.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            statements.push_back(std::move(r));
        });
    } else {
        sqlite3_trace_v2(db.handle(), SQLITE_TRACE_STMT, &StatementLog::traced, this);
    }
}

StatementLog::~StatementLog()
{
    if (PgConnection *server = m_db.serverConnection())
        server->setTrace({});
    else
        sqlite3_trace_v2(m_db.handle(), 0, nullptr, nullptr);
}

int StatementLog::traced(unsigned, void *self, void *stmt, void *)
{
    char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(stmt));
    if (sql) {
        static_cast<StatementLog *>(self)->statements.push_back({sql, {}});
        sqlite3_free(sql);
    }
    return 0;
}

namespace {

// Plain SQLite: prepare, step through every row reading each column's value as stored, finalize.
class RawFileReplay : public RawReplay {
    static void readValue(sqlite3_stmt *stmt, int column)
    {
        switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            benchmark::DoNotOptimize(sqlite3_column_int64(stmt, column));
            break;
        case SQLITE_FLOAT:
            benchmark::DoNotOptimize(sqlite3_column_double(stmt, column));
            break;
        case SQLITE_TEXT:
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, column));
            break;
        default:
            break;
        }
    }

public:
    explicit RawFileReplay(const QString &file)
    {
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK)
            qFatal("%s: %s", qPrintable(file), sqlite3_errmsg(m_db));
        sqlite3_busy_timeout(m_db, 5000);
        collation::install(m_db);
        sqlite3_exec(m_db, ("PRAGMA mmap_size=" + std::to_string(Database::kMemoryMapBytes) + "; PRAGMA synchronous=FULL").c_str(),
                     nullptr, nullptr, nullptr);
    }
    ~RawFileReplay() override { sqlite3_close(m_db); }
    long run(const std::vector<Recorded> &statements) override
    {
        long rows = 0;
        for (const Recorded &recorded : statements) {
            const std::string &sql = recorded.sql;
            // The program's temporary tables (kept sums) live on its own connection: a plain one has
            // none, so what the program read or wrote there is its own cost, left in the whole.
            if (sql.find("temp.") != std::string::npos)
                continue;
            // SQLite's trace notes what runs inside a statement (a trigger, a pragma's own query) as
            // comments: not statements of the program's.
            if (sql.rfind("--", 0) == 0)
                continue;
            sqlite3_stmt *stmt = nullptr;
            if (sqlite3_prepare_v2(m_db, sql.c_str(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
                qFatal("%s: %s", sql.c_str(), sqlite3_errmsg(m_db));
            const int width = sqlite3_column_count(stmt);
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
                for (int c = 0; c < width; ++c)
                    readValue(stmt, c);
                ++rows;
            }
            if (rc != SQLITE_DONE)
                qFatal("%s: %s", sql.c_str(), sqlite3_errmsg(m_db));
            sqlite3_finalize(stmt);
        }
        return rows;
    }

private:
    sqlite3 *m_db = nullptr;
};

// libpq alone: each statement sent with its values as the program sent them, every value of every
// row taken as the text libpq holds.
class RawServerReplay : public RawReplay {
public:
    explicit RawServerReplay(const QString &conninfo) : m_conn(PQconnectdb(conninfo.toUtf8().constData()))
    {
        if (PQstatus(m_conn) != CONNECTION_OK)
            qFatal("%s", PQerrorMessage(m_conn));
        PQsetClientEncoding(m_conn, "UTF8");
    }
    ~RawServerReplay() override { PQfinish(m_conn); }
    long run(const std::vector<Recorded> &statements) override
    {
        long rows = 0;
        std::vector<const char *> values;
        for (const Recorded &recorded : statements) {
            values.clear();
            for (const auto &value : recorded.values)
                values.push_back(value ? value->c_str() : nullptr);
            PGresult *result = PQexecParams(m_conn, recorded.sql.c_str(), int(values.size()), nullptr, values.data(),
                                            nullptr, nullptr, 0);
            const ExecStatusType status = PQresultStatus(result);
            if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
                qFatal("%s: %s", recorded.sql.c_str(), PQresultErrorMessage(result));
            const int width = PQnfields(result);
            for (int r = 0, n = PQntuples(result); r < n; ++r, ++rows) {
                for (int c = 0; c < width; ++c)
                    benchmark::DoNotOptimize(PQgetvalue(result, r, c));
            }
            PQclear(result);
        }
        return rows;
    }

private:
    PGconn *m_conn;
};

} // namespace

std::unique_ptr<RawReplay> RawReplay::beside(const Database &db)
{
    if (const PgConnection *server = db.serverConnection())
        return onServer(server->conninfo());
    return std::make_unique<RawFileReplay>(db.fileName());
}

std::unique_ptr<RawReplay> RawReplay::onServer(const QString &conninfo)
{
    return std::make_unique<RawServerReplay>(conninfo);
}

void runInteraction(benchmark::State &state, const Interaction &interaction)
{
    for (auto _ : state) {
        if (interaction.prepare) {
            state.PauseTiming();
            interaction.prepare();
            state.ResumeTiming();
        }
        if (const QString problem = interaction.act(); !problem.isEmpty()) {
            state.SkipWithError(problem.toStdString().c_str());
            break;
        }
    }
}

const std::vector<Recorded> &recordedOnce(const std::string &key, Database &db, const Interaction &interaction)
{
    static std::map<std::string, std::vector<Recorded>> cache;
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    std::vector<Recorded> statements;
    for (int run = 0; run < 2; ++run) {
        if (interaction.prepare)
            interaction.prepare();
        StatementLog log(db);
        if (const QString problem = interaction.act(); !problem.isEmpty())
            qFatal("%s: %s", key.c_str(), qPrintable(problem));
        statements = std::move(log.statements);
    }
    return cache.emplace(key, std::move(statements)).first->second;
}

void runReplay(benchmark::State &state, const Database &db, const std::vector<Recorded> &statements,
               const std::string &name)
{
    if (qEnvironmentVariableIntValue("TOLVANE_BENCH_SQL")) {
        std::fprintf(stderr, "%s:\n", name.c_str());
        for (const Recorded &recorded : statements)
            std::fprintf(stderr, "  %s\n", recorded.sql.substr(0, 300).c_str());
    }
    // One connection per shop for the whole run, as the program keeps its own: its memory map and
    // its prepared pages stay warm between repetitions. Its first replay of these statements is
    // not timed, as the program's first run of an interaction is not (see recordedOnce()).
    static std::map<std::string, std::unique_ptr<RawReplay>> connections;
    const std::string where =
        (db.serverConnection() ? db.serverConnection()->conninfo() : db.fileName()).toStdString();
    std::unique_ptr<RawReplay> &raw = connections[where];
    if (!raw)
        raw = RawReplay::beside(db);
    long rows = raw->run(statements);
    for (auto _ : state)
        rows = raw->run(statements);
    state.counters["rows"] = double(rows);
    state.counters["statements"] = double(statements.size());
}

void registerWholeAndRaw(const std::string &name, const std::function<Database &()> &db, const Interaction &interaction,
                         const std::function<void(benchmark::State &)> &report)
{
    benchmark::RegisterBenchmark(("whole/" + name).c_str(), [=](benchmark::State &state) {
        db(); // the shop is made before the clock runs
        runInteraction(state, interaction);
        if (report)
            report(state);
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("raw/" + name).c_str(), [=](benchmark::State &state) {
        Database &shop = db();
        runReplay(state, shop, recordedOnce(name, shop, interaction), name);
    })->Unit(benchmark::kMillisecond)->UseRealTime();
}
