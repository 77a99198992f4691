// Deleting a sale line with its give-back, on a shop of 100,000 stock rows and 1,000,000 sale
// lines: the program's whole window set, logged in, with the sales details window shown offscreen
// over the main window; "删 除" of the grid's pop-up menu and the panel's "删 除" until both windows
// are painted again with what the deletion changed (the wiring of the program decides what that
// is). Beside it, plain SQLite on connections of its own to the same file: the deletion's
// transaction (read the line, find its stock row, give back, delete) on a line of its own, then
// every statement the program ran outside its transaction, replayed as recorded. The window
// deletes the last line of the month it lists, plain SQLite the first, so neither looks for a line
// the other has deleted.
// Both the deletion through the window and the transaction alone run on a copy of the shop of
// their own on the benchmark's PostgreSQL server too ("…/100k-server"), beside libpq replaying
// the statements they ran with the same values: the replayed deletion looks for the line the
// program deleted and finds it gone, everything else it does as the program did.
// Run with --benchmark_filter=saleLineDelete --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
#include "benchserver.h"
#include "peakmemory.h"
#include "rawreplay.h"
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
#include "data/database.h"
#include "data/datamodule.h"
#include "data/externalchanges.h"
#include "sales/salecorrection.h"
#include "sales/salelinepanel.h"
#include "sales/salesdetailswindow.h"
#include "users/logindialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

namespace {

const ShopSize kShop{100000, 1000000};
const QDate kToday(2014, 7, 15);

QString shopFile()
{
    // Written to: a copy of its own for each run.
    static const QString file = writableShop(kShop, QStringLiteral("sale-line-delete.db"));
    return file;
}

class BenchClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(kToday, QTime(10, 0)); }
};

// Results go nowhere; an error ends the run, as a measurement of a failing action means nothing.
class SilentMessages : public DialogMessages {
public:
    void info(const QString &) override {}
    void error(const QString &text) override { qFatal("%s", qPrintable(text)); }
};

// The program's windows, wired as the program wires them, logged in as the superadministrator,
// with the sales details shown over the main window.
struct Shop : BenchContext<SilentMessages, BenchClock> {
    std::unique_ptr<WindowSet> windows;
    SalesDetailsWindow *details = nullptr;
    QPushButton *deleteButton = nullptr;

    template <class Where>
    explicit Shop(const Where &where) : BenchContext(where)
    {
        windows = createWindowSet(ctx, [] {});
        // The raw partner writes to the same file: that is no other till to follow.
        if (auto *changes = main().findChild<ExternalChanges *>(QStringLiteral("externalChanges")))
            changes->stop();
        main().setLoginGateEnabled(false);
        main().resize(1024, 700);
        main().show();
        QApplication::processEvents();
        LoginDialog *login = windows->login;
        login->show();
        login->userList()->setEditText(Session::superAdminName());
        login->passwordField()->setText(QStringLiteral("927"));
        login->loginButton()->click();
        details = windows->salesDetails;
        deleteButton = details->linePanel()->findChild<QPushButton *>(QStringLiteral("deleteLine"));
        details->resize(1008, 585);
        details->show(); // lists this month
        paint();
    }
    MainWindow &main() { return *windows->main; }
    // What is pending handled, both windows painted.
    void paint()
    {
        QApplication::processEvents();
        details->repaint();
        main().repaint();
    }
};

// The shop in its file, or in a copy of its own on the benchmark's server.
Shop &shop(bool server = false)
{
    // Never destroyed: the windows must not outlive the application object at exit.
    if (server) {
        static Shop *onServer = new Shop(ServerAddress{writableServerShop(indexedShop(kShop))});
        return *onServer;
    }
    static Shop *inFile = new Shop(shopFile());
    return *inFile;
}

// "删 除" of the pop-up menu and the panel's "删 除" until both windows are painted again. A line
// of this month is current after every deletion.
Interaction deleteThroughWindow(bool server)
{
    return {{}, [=] {
                Shop &s = shop(server);
                s.details->actions().remove->trigger();
                s.deleteButton->click();
                s.paint();
                return QString();
            }};
}

void exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
}

// The deletion's transaction as the program runs it: read the line, find its stock row, give
// back, delete.
void rawDelete(sqlite3 *db, long long key)
{
    exec(db, "BEGIN IMMEDIATE");
    QVariantList line;
    {
        const QByteArray sql = "SELECT a, b, c, d, day2, [3], [4], [1] FROM data1 WHERE ID=?";
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        sqlite3_bind_int64(stmt, 1, key);
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int i = 0; i < 5; ++i)
                line << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i))).trimmed();
            for (int i = 5; i < 8; ++i)
                line << sqlite3_column_double(stmt, i);
        }
        sqlite3_finalize(stmt);
    }
    if (line.isEmpty())
        qFatal("no line %lld", key);
    long long stockKey = -1;
    double figures[4] = {};
    {
        const QByteArray sql = "SELECT ID, [5], [6], [7], [8] FROM data WHERE "
                               "trim(coalesce(a, ''))=coalesce(?, '') AND "
                               "trim(coalesce(b, ''))=coalesce(?, '') AND "
                               "trim(coalesce(c, ''))=coalesce(?, '') AND "
                               "trim(coalesce(d, ''))=coalesce(?, '') AND "
                               "trim(coalesce(day1, ''))=coalesce(?, '') ORDER BY ID LIMIT 1";
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        QList<QByteArray> texts;
        for (int i = 0; i < 5; ++i) {
            texts << line.at(i).toString().toUtf8();
            sqlite3_bind_text(stmt, i + 1, texts.last().constData(), int(texts.last().size()), SQLITE_STATIC);
        }
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            stockKey = sqlite3_column_int64(stmt, 0);
            for (int i = 0; i < 4; ++i)
                figures[i] = sqlite3_column_double(stmt, i + 1);
        }
        sqlite3_finalize(stmt);
    }
    if (stockKey >= 0) {
        const double q = line.at(5).toDouble(), m = line.at(6).toDouble(), p = line.at(7).toDouble();
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "UPDATE data SET [5]=?, [6]=?, [7]=?, [8]=? WHERE ID=?", -1, &stmt, nullptr);
        sqlite3_bind_double(stmt, 1, figures[0] - q);
        sqlite3_bind_double(stmt, 2, figures[1] - m);
        sqlite3_bind_double(stmt, 3, figures[2] + q);
        sqlite3_bind_double(stmt, 4, q * p + figures[3]);
        sqlite3_bind_int64(stmt, 5, stockKey);
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
    }
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "DELETE FROM data1 WHERE ID=?", -1, &stmt, nullptr);
        sqlite3_bind_int64(stmt, 1, key);
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
    }
    exec(db, "COMMIT");
}

// A fresh connection to the shop file, set up as the program's own (see Database).
sqlite3 *rawConnection()
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(shopFile().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    exec(db, "PRAGMA journal_mode=DELETE");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, ("PRAGMA mmap_size=" + std::to_string(Database::kMemoryMapBytes)).c_str());
    return db;
}

// The statements the program ran outside its transactions: what it read to show the deletion.
std::vector<Recorded> outsideTransactions(const std::vector<Recorded> &statements)
{
    std::vector<Recorded> reads;
    bool inside = false;
    for (const Recorded &recorded : statements) {
        if (recorded.sql.rfind("BEGIN", 0) == 0)
            inside = true;
        if (!inside)
            reads.push_back(recorded);
        if (recorded.sql == "COMMIT" || recorded.sql == "ROLLBACK")
            inside = false;
    }
    return reads;
}

// A line of a month of 2014, the first or last stored ("min", "max").
long long lineOf(Database &db, int month, const char *which)
{
    const QDate first(2014, month, 1);
    return db.scalar(Statement(QStringLiteral("select %1(ID) from data1 where day1>=? and day1<?").arg(QLatin1String(which)),
                               {first.toString(Qt::ISODate), first.addMonths(1).toString(Qt::ISODate)}))
        .toLongLong();
}

void saleLineDelete(benchmark::State &state)
{
    shop(); // made before the clock runs
    runInteraction(state, deleteThroughWindow(false));
    state.counters["rows"] = shop().data.salesQuery.recordCount();
    reportPeakMemory(state, deleteThroughWindow(false));
}

void saleLineDeleteRaw(benchmark::State &state)
{
    Shop &s = shop();
    const std::vector<Recorded> reads =
        outsideTransactions(recordedOnce("saleLineDelete/100k", s.db, deleteThroughWindow(false)));
    if (qEnvironmentVariableIntValue("TOLVANE_BENCH_SQL")) {
        for (const Recorded &recorded : reads)
            std::fprintf(stderr, "  %s\n", recorded.sql.substr(0, 300).c_str());
    }
    const std::unique_ptr<RawReplay> replay = RawReplay::beside(s.db);
    sqlite3 *db = rawConnection();
    long rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long long key = lineOf(s.db, kToday.month(), "min");
        state.ResumeTiming();
        rawDelete(db, key);
        rows = replay->run(reads);
    }
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
    state.counters["statements"] = double(reads.size());
}

// The deletion alone, without the window: the program's transaction beside the same statements
// in plain SQLite. Each deletes a line of June 2014, the program the first, plain SQLite the last.
Interaction deleteTransaction(bool server)
{
    auto key = std::make_shared<long long>(-1);
    return {[=] { *key = lineOf(shop(server).db, 6, "min"); },
            [=] {
                benchmark::DoNotOptimize(deleteSaleLine(shop(server).db, *key));
                return QString();
            }};
}

void saleLineDeleteTransaction(benchmark::State &state)
{
    shop();
    runInteraction(state, deleteTransaction(false));
    reportPeakMemory(state, deleteTransaction(false));
}

void saleLineDeleteTransactionRaw(benchmark::State &state)
{
    Shop &s = shop();
    sqlite3 *db = rawConnection();
    for (auto _ : state) {
        state.PauseTiming();
        const long long key = lineOf(s.db, 6, "max");
        state.ResumeTiming();
        rawDelete(db, key);
    }
    sqlite3_close(db);
}

} // namespace

// Named so the ratio table pairs each interaction with its plain-SQLite partner.
BENCHMARK(saleLineDelete)->Name("whole/saleLineDelete/100k")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saleLineDeleteRaw)->Name("raw/saleLineDelete/100k")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saleLineDeleteTransaction)->Name("whole/saleLineDeleteTransaction/100k")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saleLineDeleteTransactionRaw)->Name("raw/saleLineDeleteTransaction/100k")->Unit(benchmark::kMillisecond)->UseRealTime();

namespace {

const bool registeredOnServer = [] {
    if (!serverWanted())
        return false;
    const auto database = []() -> Database & { return shop(true).db; };
    registerWholeAndRaw("saleLineDelete/100k-server", database, deleteThroughWindow(true), [](benchmark::State &state) {
        state.counters["rows"] = shop(true).data.salesQuery.recordCount();
        reportPeakMemory(state, deleteThroughWindow(true));
    });
    registerWholeAndRaw("saleLineDeleteTransaction/100k-server", database, deleteTransaction(true),
                        [](benchmark::State &state) { reportPeakMemory(state, deleteTransaction(true)); });
    return true;
}();

} // namespace
