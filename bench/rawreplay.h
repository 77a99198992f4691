#pragma once

#include <QString>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Database;

// An interaction of the program measured whole ("whole/<name>") beside a connection of its own to
// the same shop replaying the statements the interaction ran ("raw/<name>"): plain SQLite on the
// same file, or libpq on the same database of the same server with the same values. The ratio
// table at the end of the run pairs them by <name>.

// One statement as the program's connection sent it: for a file its text with the values in it,
// for a server its text and, apart, its values (a missing one is null).
struct Recorded {
    std::string sql;
    std::vector<std::optional<std::string>> values;
};

// The statements the program's connection starts, with their values, while recording.
class StatementLog {
public:
    explicit StatementLog(Database &db);
    ~StatementLog();
    StatementLog(const StatementLog &) = delete;
    StatementLog &operator=(const StatementLog &) = delete;
    std::vector<Recorded> statements;

private:
    static int traced(unsigned, void *self, void *stmt, void *);
    Database &m_db;
};

// Statements replayed on a connection of its own: each prepared or sent as recorded, every value
// of every row read (the least any use of a result does), the result freed. A statement the engine
// refuses ends the run: the replay would measure something else.
class RawReplay {
public:
    virtual ~RawReplay() = default;
    // Runs the statements in order; the rows they returned.
    virtual long run(const std::vector<Recorded> &statements) = 0;

    // A connection to the shop `db` is on: the same file, set up as the program's (memory-mapped
    // reads, synchronous writes, the pinyin order known), or the same database on the same server.
    static std::unique_ptr<RawReplay> beside(const Database &db);
    // A connection to a database of a server.
    static std::unique_ptr<RawReplay> onServer(const QString &conninfo);
};

// One interaction: what is set up first (not timed), and the timed action until its result is
// shown, which returns why it went wrong (empty when it went as planned).
struct Interaction {
    std::function<void()> prepare;
    std::function<QString()> act;
};

// Runs the interaction in every iteration of `state`, only the action timed; a failure ends the
// benchmark with its reason.
void runInteraction(benchmark::State &state, const Interaction &interaction);

// The statements `db`'s connection ran for the interaction, recorded once per `key` from its
// second run: the first may find the windows as another interaction left them.
const std::vector<Recorded> &recordedOnce(const std::string &key, Database &db, const Interaction &interaction);

// Replays the statements in every iteration of `state` on a connection of its own beside `db`.
// TOLVANE_BENCH_SQL=1 shows them first.
void runReplay(benchmark::State &state, const Database &db, const std::vector<Recorded> &statements,
               const std::string &name);

// Registers "whole/<name>" running the interaction on the shop of `db` (taken when the benchmark
// first runs) and "raw/<name>" replaying its statements, both timed by the clock on the wall (a
// server works in a process of its own). `report`, when given, adds counters after the whole run.
void registerWholeAndRaw(const std::string &name, const std::function<Database &()> &db, const Interaction &interaction,
                         const std::function<void(benchmark::State &)> &report = {});
