// Whole interactions through the real windows, offscreen, on shops of 10,000 and 100,000 stock
// rows (and 1,000,000 with TOLVANE_BENCH_BIG=1) with 1,000,000 sale lines whose dates run up to
// today: the login click, "全部记录", the zero-stock switch, one keystroke in "商品名称：", the
// title click "名 称" (the first after a listing, and the next ones) and the "销售确认" click. Each
// is timed from the field's new text or the click until the main grid has painted. Beside each, plain SQLite on a connection of its own runs
// the statements the interaction ran (recorded from the program's connection) on the same file.
// The same interactions run on the 100,000-row shop copied into a database of a PostgreSQL server
// of the benchmark's own (a local socket; "…/100k-server"), beside libpq on a connection of its own
// sending the same statements with the same values (TOLVANE_BENCH_SERVER=0 leaves them out).
// Run with --benchmark_enable_random_interleaving=true; the table at the end gives the ratios.
#include "benchcontext.h"
#include "shopgenerator.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/desktop.h"
#include "common/layoutstore.h"
#include "common/messages.h"
#include "common/printing.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "data/collation.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/pgconnection.h"
#include "maintenance/servermigration.h"
#include "sales/salepanel.h"
#include "stock/stockqueryview.h"
#include "users/logindialog.h"
#include "widgets/groupedheader.h"
#include "widgets/grid.h"
#include "widgets/numberspinbox.h"
#include "support/privatepostgres.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <libpq-fe.h>
#include <optional>
#include <memory>
#include <sqlite3.h>

namespace {

struct SizeCase {
    const char *label;
    ShopSize size;
};

const SizeCase kSizes[] = {{"10k", {10000, 1000000}}, {"100k", {100000, 1000000}}, {"1M", {1000000, 1000000}}};

bool bigShopsWanted()
{
    return qEnvironmentVariableIntValue("TOLVANE_BENCH_BIG") != 0;
}

bool serverWanted()
{
    return qEnvironmentVariable("TOLVANE_BENCH_SERVER") != QLatin1String("0");
}

// Where an interaction runs: a shop of kSizes[size], in its file or on the server.
struct Place {
    int size;
    bool server;
    std::string label() const { return std::string(kSizes[size].label) + (server ? "-server" : ""); }
};

// The generated shop, copied once per month so the indexes the program adds at open and the sales
// the benchmark posts stay in the copy, not in the generated file.
QString shopFile(const ShopSize &size)
{
    const QString generated = cachedShopUpToToday(size);
    const QString copy = QFileInfo(generated).dir().filePath(QStringLiteral("interactions-") +
                                                              QFileInfo(generated).fileName());
    if (!QFile::exists(copy)) {
        const QString partial = copy + QStringLiteral(".part");
        QFile::remove(partial);
        QFile::copy(generated, partial);
        Database db(partial);
        db.open(); // adds the indexes once
        db.close();
        QFile::rename(partial, copy);
    }
    return copy;
}

// The shop file copied into a fresh database of the benchmark's own server, its tables analysed
// as a server keeps them after a day of work.
QString serverShop(const ShopSize &size)
{
    PrivatePostgres &pg = PrivatePostgres::instance();
    if (!pg.error().isEmpty())
        qFatal("no PostgreSQL server for the benchmark: %s", qPrintable(pg.error()));
    const QString conninfo = pg.freshDatabase();
    Database from(shopFile(size));
    from.open();
    Database to(ServerAddress{conninfo});
    to.create();
    QElapsedTimer copying;
    copying.start();
    servermigration::copyShop(from, to);
    to.execute(Statement("ANALYZE"));
    std::fprintf(stderr, "server shop of %d stock rows copied in %.1f s\n", size.stockRows, copying.elapsed() / 1000.0);
    return conninfo;
}

// Messages that never wait for a person: a refusal or an error ends the interaction as a failure.
class BenchMessages : public Messages {
public:
    void info(const QString &text) override { problem = text; }
    void warning(const QString &text) override { problem = text; }
    bool confirmOkCancel(const QString &, const QString &) override { return true; }
    bool confirmYesNo(const QString &, const QString &) override { return true; }
    void error(const QString &text) override { problem = text; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString problem;
};

// Sees the main grid's rows being painted.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// One statement as the program's connection sent it: for a file its text with the values in it,
// for a server its text and, apart, its values (a missing one is null).
struct Recorded {
    std::string sql;
    std::vector<std::optional<std::string>> values;
};

// The statements the program's connection starts, with their values, while recording.
class StatementLog {
public:
    explicit StatementLog(Database &db) : m_db(db)
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
    ~StatementLog()
    {
        if (PgConnection *server = m_db.serverConnection())
            server->setTrace({});
        else
            sqlite3_trace_v2(m_db.handle(), 0, nullptr, nullptr);
    }
    std::vector<Recorded> statements;

private:
    static int traced(unsigned, void *self, void *stmt, void *)
    {
        char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(stmt));
        if (sql) {
            static_cast<StatementLog *>(self)->statements.push_back({sql, {}});
            sqlite3_free(sql);
        }
        return 0;
    }
    Database &m_db;
};

// The peak resident memory of the process since the last reset, in MB.
void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A figure of /proc/self/status ("VmHWM", "RssAnon", "RssFile"), in MB.
double statusMB(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stod(line.substr(field.size() + 1)) / 1024;
    }
    return -1;
}

double peakMemoryMB()
{
    return statusMB("VmHWM");
}

// The program with its whole window set on one shop file, logged in, the main window shown.
struct Shop : BenchContext<BenchMessages, SystemClock> {
    std::unique_ptr<WindowSet> windows;
    PaintWatch paints;
    QString file;

    explicit Shop(const QString &shopFile) : BenchContext(shopFile), file(shopFile) { start(); }
    explicit Shop(const ServerAddress &server) : BenchContext(server), file(server.conninfo) { start(); }

    void start()
    {
        windows = createWindowSet(ctx, [] {});
        main().setLoginGateEnabled(false);
        main().resize(1024, 700);
        main().show();
        grid()->view()->viewport()->installEventFilter(&paints);
        settle();
        logIn();
    }

    MainWindow &main() { return *windows->main; }
    Grid *grid() { return main().stockQuery()->gridWidget(); }
    template <class T>
    T *child(const char *name)
    {
        T *found = main().findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    // Handles everything pending, so an interaction starts from a quiet window.
    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void startWatching()
    {
        messages.problem.clear();
        paints.painted = false;
    }
    // Handles events until the main grid has painted its rows; false after 60 s without.
    bool untilPainted()
    {
        QElapsedTimer waited;
        waited.start();
        while (!paints.painted) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (waited.elapsed() > 60000)
                return false;
        }
        return true;
    }

    void logIn()
    {
        LoginDialog *login = windows->login;
        login->show();
        login->userList()->setEditText(Session::superAdminName());
        login->passwordField()->setText(QStringLiteral("927"));
        login->loginButton()->click();
    }
};

Shop &shop(const Place &place)
{
    // Never destroyed: the windows must not outlive the application object at exit.
    static Shop *shops[std::size(kSizes)][2] = {};
    Shop *&s = shops[place.size][place.server];
    if (!s)
        s = place.server ? new Shop(ServerAddress{serverShop(kSizes[place.size].size)})
                         : new Shop(shopFile(kSizes[place.size].size));
    return *s;
}

// One interaction: what is set up first (not timed), the action, and whether it went as planned.
struct Interaction {
    std::function<void(Shop &)> prepare;
    std::function<void(Shop &)> act;
};

// Runs the interaction once more, recording the statements the program runs.
std::vector<Recorded> statementsOf(Shop &s, const Interaction &interaction)
{
    interaction.prepare(s);
    s.settle();
    s.startWatching();
    StatementLog log(s.db);
    interaction.act(s);
    s.untilPainted();
    return log.statements;
}

void runWhole(benchmark::State &state, const Place &place, const Interaction &interaction, bool reportPeak)
{
    Shop &s = shop(place);
    for (auto _ : state) {
        state.PauseTiming();
        interaction.prepare(s);
        s.settle();
        s.startWatching();
        state.ResumeTiming();
        interaction.act(s);
        if (!s.untilPainted()) {
            state.SkipWithError("the grid was not painted");
            break;
        }
        if (!s.messages.problem.isEmpty()) {
            state.SkipWithError(s.messages.problem.toStdString().c_str());
            break;
        }
    }
    state.counters["rows"] = s.data.stockQuery.recordCount();
    if (reportPeak) {
        s.settle();
        resetPeakMemory();
        interaction.prepare(s);
        s.startWatching();
        interaction.act(s);
        s.untilPainted();
        state.counters["peak_MB"] = peakMemoryMB();
        // What is resident right after: the program's own memory, and the pages of the database
        // file it reads through its memory map (the system's file cache, shared, given back
        // under pressure).
        state.counters["anon_MB"] = statusMB("RssAnon");
        state.counters["file_MB"] = statusMB("RssFile");
    }
}

// Plain SQLite: prepare, step through every row reading each column's value as stored, finalize
// (the least any use of a result does); on a connection of its own to the same file, set up as
// the program's (memory-mapped reads, synchronous writes, the pinyin order known).
class RawConnection {
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
    explicit RawConnection(const QString &file)
    {
        sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_busy_timeout(m_db, 5000);
        collation::install(m_db);
        sqlite3_exec(m_db, "PRAGMA mmap_size=268435456; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~RawConnection() { sqlite3_close(m_db); }
    long run(const std::vector<Recorded> &statements)
    {
        long rows = 0;
        for (const Recorded &recorded : statements) {
            const std::string &sql = recorded.sql;
            sqlite3_stmt *stmt = nullptr;
            if (sqlite3_prepare_v2(m_db, sql.c_str(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
                qFatal("%s: %s", sql.c_str(), sqlite3_errmsg(m_db));
            const int width = sqlite3_column_count(stmt);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < width; ++c)
                    readValue(stmt, c);
                ++rows;
            }
            sqlite3_finalize(stmt);
        }
        return rows;
    }

private:
    sqlite3 *m_db = nullptr;
};

// libpq alone: each statement sent with its values as the program sent them, every value of every
// row taken as the text libpq holds, the result freed; on a connection of its own to the database.
class RawServerConnection {
public:
    explicit RawServerConnection(const QString &conninfo) : m_conn(PQconnectdb(conninfo.toUtf8().constData()))
    {
        if (PQstatus(m_conn) != CONNECTION_OK)
            qFatal("%s", PQerrorMessage(m_conn));
        PQsetClientEncoding(m_conn, "UTF8");
    }
    ~RawServerConnection() { PQfinish(m_conn); }
    long run(const std::vector<Recorded> &statements)
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

template <class Raw>
void runRawOn(benchmark::State &state, Raw &raw, const std::vector<Recorded> &statements)
{
    long rows = 0;
    for (auto _ : state)
        rows = raw.run(statements);
    state.counters["rows"] = double(rows);
    state.counters["statements"] = double(statements.size());
}

void runRaw(benchmark::State &state, const Place &place, const std::vector<Recorded> &statements)
{
    // TOLVANE_BENCH_SQL=1 shows what each interaction runs.
    if (qEnvironmentVariableIntValue("TOLVANE_BENCH_SQL")) {
        std::fprintf(stderr, "%s:\n", place.label().c_str());
        for (const Recorded &recorded : statements)
            std::fprintf(stderr, "  %s\n", recorded.sql.substr(0, 300).c_str());
    }
    if (place.server) {
        RawServerConnection raw(shop(place).file);
        runRawOn(state, raw, statements);
    } else {
        RawConnection raw(shop(place).file);
        runRawOn(state, raw, statements);
    }
}

// The statements of an interaction, recorded once per shop, from its second run: the first may
// find the windows as another interaction left them (a sale into a listing the sale replaces).
const std::vector<Recorded> &recorded(const std::string &key, const Place &place, const Interaction &interaction)
{
    static std::map<std::string, std::vector<Recorded>> cache;
    auto it = cache.find(key);
    if (it == cache.end()) {
        statementsOf(shop(place), interaction);
        it = cache.emplace(key, statementsOf(shop(place), interaction)).first;
    }
    return it->second;
}

// The statements between BEGIN and COMMIT: the writes of a posting.
std::vector<Recorded> transactionOf(const std::vector<Recorded> &statements)
{
    std::vector<Recorded> writes;
    bool inside = false;
    for (const Recorded &recorded : statements) {
        if (recorded.sql.rfind("BEGIN", 0) == 0)
            inside = true;
        if (inside)
            writes.push_back(recorded);
        if (recorded.sql == "COMMIT")
            inside = false;
    }
    return writes;
}

void registerPair(const std::string &name, const Place &place, const Interaction &interaction, bool reportPeak = false)
{
    const std::string full = name + "/" + place.label();
    benchmark::RegisterBenchmark(("whole/" + full).c_str(), [=](benchmark::State &state) {
        runWhole(state, place, interaction, reportPeak);
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("raw/" + full).c_str(), [=](benchmark::State &state) {
        runRaw(state, place, recorded(full, place, interaction));
    })->Unit(benchmark::kMillisecond)->UseRealTime();
}

// ---- the interactions ----

void zeroStockShown(Shop &s);
void emptyConditions(Shop &s);

void nothing(Shop &) {}

Interaction loginClick()
{
    return {[](Shop &s) {
                s.windows->login->show();
                s.windows->login->userList()->setEditText(Session::superAdminName());
                s.windows->login->passwordField()->setText(QStringLiteral("927"));
            },
            [](Shop &s) { s.windows->login->loginButton()->click(); }};
}

Interaction allRecordsClick()
{
    return {nothing, [](Shop &s) { s.child<QPushButton>("allRecords")->click(); }};
}

// The zero-stock switch, on and off in turn.
Interaction zeroStockClick()
{
    return {nothing, [](Shop &s) { s.child<QCheckBox>("hideZeroStock")->click(); }};
}

// The last key of `typed` into "商品名称：", which held the text before it.
Interaction keystroke(const std::function<QString(Shop &)> &typed)
{
    return {[typed](Shop &s) {
                zeroStockShown(s);
                const QString text = typed(s);
                auto *field = s.child<QLineEdit>("queryName");
                if (field->text() != text.chopped(1)) {
                    // Not timed: the grid as it stands after the keys before.
                    s.startWatching();
                    field->setText(text.chopped(1));
                    s.untilPainted();
                }
            },
            [typed](Shop &s) { s.child<QLineEdit>("queryName")->setText(typed(s)); }};
}

// The first letter found in the most stock rows' name initials: its keystroke loads the most rows.
QString widestLetter(Shop &s)
{
    static std::map<Shop *, QString> found;
    if (auto it = found.find(&s); it != found.end())
        return it->second;
    QString widest;
    long long most = -1;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const long long rows = s.db.scalar(Statement(QStringLiteral("select count(*) from data where [2]>0 and e like ?"),
                                                     {QStringLiteral("%%1%").arg(QLatin1Char(letter))}))
                                   .toLongLong();
        if (rows > most) {
            most = rows;
            widest = QString(QLatin1Char(letter));
        }
    }
    found[&s] = widest;
    return widest;
}

// The zero-stock switch off, as a shop starts.
void zeroStockShown(Shop &s)
{
    if (s.child<QCheckBox>("hideZeroStock")->isChecked()) {
        s.startWatching();
        s.child<QCheckBox>("hideZeroStock")->click();
        s.untilPainted();
    }
}

void emptyConditions(Shop &s)
{
    if (!s.child<QLineEdit>("queryName")->text().isEmpty()) {
        s.startWatching();
        s.child<QPushButton>("clearConditions")->click();
        s.untilPainted();
    }
}

// "名 称" clicked after "全部记录". `afresh`: each click is the first after the listing was loaded,
// as when a shop keeper lists and then sorts; otherwise the clicks follow one another on the same
// listing, descending and ascending in turn.
Interaction sortByName(bool afresh)
{
    return {[afresh](Shop &s) {
                zeroStockShown(s);
                emptyConditions(s);
                if (afresh || !s.data.stockQuery.statement().sql.contains(QStringLiteral("order by day1"))) {
                    s.startWatching();
                    s.child<QPushButton>("allRecords")->click();
                    s.untilPainted();
                }
            },
            [](Shop &s) { emit s.grid()->header()->sectionClicked(0); }};
}

// "销售确认" on a stock row with stock: one piece sold, then taken back, in turn. The sale is
// started (double-click on the row) before the clock runs.
Interaction saleClick()
{
    auto state = std::make_shared<std::pair<long long, bool>>(-1, false); // the row's key, sold last
    return {[state](Shop &s) {
                zeroStockShown(s);
                emptyConditions(s);
                Dataset &stock = s.data.stockQuery;
                if (state->first < 0) {
                    for (int row = 0; row < stock.recordCount(); ++row) {
                        if (stock.value(row, QStringLiteral("7")).toDouble() >= 2) {
                            state->first = stock.key(row);
                            break;
                        }
                    }
                }
                const int row = stock.rowOfKey(state->first);
                if (row < 0)
                    qFatal("the stock row to sell is not listed");
                stock.setCurrentRow(row);
                emit s.main().stockQuery()->rowClicked(row);
                emit s.main().stockQuery()->rowDoubleClicked(row);
                state->second = !state->second;
                s.child<NumberSpinBox>("quantity")->setText(state->second ? QStringLiteral("1") : QStringLiteral("-1"));
            },
            [](Shop &s) { s.child<QToolButton>("confirmSale")->click(); }};
}

// Places measured: the files of 10k and 100k stock rows (1M only when asked for), and the 100k
// shop on a server.
std::vector<Place> places()
{
    std::vector<Place> wanted{{0, false}, {1, false}};
    if (bigShopsWanted())
        wanted.push_back({2, false});
    if (serverWanted())
        wanted.push_back({1, true});
    return wanted;
}

const bool registered = [] {
    for (const Place &place : places()) {
        registerPair("login", place, loginClick());
        registerPair("allRecords", place, allRecordsClick(), true);
        registerPair("zeroStockSwitch", place, zeroStockClick());
        const std::pair<const char *, QString> typed[] = {{"n", QStringLiteral("n")},     {"nz", QStringLiteral("nz")},
                                                           {"nzk", QStringLiteral("nzk")}, {"y", QStringLiteral("y")},
                                                           {"yr", QStringLiteral("yr")},   {"yrf", QStringLiteral("yrf")}};
        for (const auto &[name, text] : typed)
            registerPair(std::string("keystroke-") + name, place, keystroke([text = text](Shop &) { return text; }));
        registerPair("keystroke-widest", place, keystroke([](Shop &s) { return widestLetter(s); }));
        registerPair("sortByName", place, sortByName(true));
        registerPair("sortByName-again", place, sortByName(false));
        const Interaction sale = saleClick();
        registerPair("saleClick", place, sale);
        // The posting transaction alone, the floor of the sale click.
        const std::string name = std::string("postingTransaction/") + place.label();
        benchmark::RegisterBenchmark(("raw/" + name).c_str(), [=](benchmark::State &state) {
            runRaw(state, place, transactionOf(recorded(std::string("saleClick/") + place.label(), place, sale)));
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    return true;
}();

} // namespace
