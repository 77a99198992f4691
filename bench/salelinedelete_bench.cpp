// Deleting a sale line with its give-back, on a shop of 100,000 stock rows and 1,000,000 sale
// lines: through the sales details window shown offscreen, "删 除" of the pop-up menu and the
// panel's "删 除" until the window is painted again with this month's lines and both profit
// charts. Beside it, plain SQLite on a connection of its own to the same file runs the same
// statements: the transaction (read the line, find its stock row, give back, delete), then the
// rows of this month's listing and the two chart totals. The window deletes the last line of the
// month, plain SQLite the first, so neither looks for a line the other has deleted.
// Both the deletion through the window and the transaction alone run on a copy of the shop of
// their own on the benchmark's PostgreSQL server too ("…/100k-server"), beside libpq replaying
// the statements they ran with the same values: the replayed deletion looks for the line the
// program deleted and finds it gone, everything else it does as the program did.
// Run with --benchmark_filter=saleLineDelete --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
#include "benchserver.h"
#include "rawreplay.h"
#include "shopgenerator.h"

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
#include "sales/charttotals.h"
#include "sales/salecorrection.h"
#include "sales/salelinepanel.h"
#include "sales/saleslistings.h"
#include "sales/salesdetailswindow.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
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

struct Shop : BenchContext<SilentMessages, BenchClock> {
    SalesDetailsWindow window;
    QPushButton *deleteButton;

    template <class Where>
    explicit Shop(const Where &where)
        : BenchContext(where),
          window(ctx),
          deleteButton(window.linePanel()->findChild<QPushButton *>(QStringLiteral("deleteLine")))
    {
        // What the program wires for a deleted line in the sales details: this month, profit.
        QObject::connect(&events, &ShopEvents::saleLinesChanged, &window, [this] {
            window.loadThisMonth();
            window.refreshCharts();
        });
        window.resize(1008, 585);
        window.show(); // lists this month and draws both charts
        QApplication::processEvents();
    }
};

// The shop in its file, or in a copy of its own on the benchmark's server.
Shop &shop(bool server = false)
{
    // Never destroyed: the window must not outlive the application object at exit.
    if (server) {
        static Shop *onServer = new Shop(ServerAddress{writableServerShop(indexedShop(kShop))});
        return *onServer;
    }
    static Shop *inFile = new Shop(shopFile());
    return *inFile;
}

// "删 除" of the pop-up menu and the panel's "删 除" until the window is painted again. The last
// line of this month is current after every listing.
Interaction deleteThroughWindow(bool server)
{
    return {{}, [=] {
                Shop &s = shop(server);
                s.window.actions().remove->trigger();
                s.deleteButton->click();
                s.window.repaint();
                return QString();
            }};
}

void saleLineDelete(benchmark::State &state)
{
    shop(); // made before the clock runs
    runInteraction(state, deleteThroughWindow(false));
    state.counters["rows"] = shop().data.salesQuery.recordCount();
}

// A statement's rows stepped through, reading every column.
long stepThrough(sqlite3 *db, const Statement &statement, long long *firstKey = nullptr)
{
    const QByteArray sql = statement.sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
    for (int i = 0; i < statement.params.size(); ++i) {
        const QVariant &p = statement.params.at(i);
        if (p.typeId() == QMetaType::LongLong || p.typeId() == QMetaType::Int)
            sqlite3_bind_int64(stmt, i + 1, p.toLongLong());
        else if (p.typeId() == QMetaType::Double)
            sqlite3_bind_double(stmt, i + 1, p.toDouble());
        else {
            const QByteArray text = p.toString().toUtf8();
            sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
    }
    long rows = 0;
    double total = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c)
            total += sqlite3_column_double(stmt, c);
        if (firstKey && rows == 1)
            *firstKey = sqlite3_column_int64(stmt, 0);
    }
    if (sqlite3_finalize(stmt) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
    benchmark::DoNotOptimize(total);
    return rows;
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
    exec(db, "PRAGMA mmap_size=268435456");
    return db;
}

void saleLineDeleteRaw(benchmark::State &state)
{
    Shop &s = shop();
    // The statement the program reads this month's rows with, as the window's listing ran it.
    s.window.loadThisMonth();
    const Statement month = s.data.salesQuery.rowsStatement();
    const std::optional<Statement> months = charttotals::byMonth(QStringLiteral("2014"), charttotals::Total::Profit);
    const std::optional<Statement> days =
        charttotals::byDay(QStringLiteral("2014"), QStringLiteral("7"), charttotals::Total::Profit);

    sqlite3 *db = rawConnection();
    long long key = -1;
    stepThrough(db, month, &key);
    long rows = 0;
    for (auto _ : state) {
        rawDelete(db, key);
        rows = stepThrough(db, month, &key);
        stepThrough(db, *months);
        stepThrough(db, *days);
    }
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
}

// The deletion alone, without the window: the program's transaction beside the same statements
// in plain SQLite. Each deletes a line of June 2014, the program the first, plain SQLite the last.
long long juneLine(Database &db, const char *which)
{
    return db.scalar(Statement(QStringLiteral("select %1(ID) from data1 where day1>='2014-06-01' and day1<'2014-07-01'")
                                   .arg(QLatin1String(which))))
        .toLongLong();
}

Interaction deleteTransaction(bool server)
{
    auto key = std::make_shared<long long>(-1);
    return {[=] { *key = juneLine(shop(server).db, "min"); },
            [=] {
                benchmark::DoNotOptimize(deleteSaleLine(shop(server).db, *key));
                return QString();
            }};
}

void saleLineDeleteTransaction(benchmark::State &state)
{
    runInteraction(state, deleteTransaction(false));
}

void saleLineDeleteTransactionRaw(benchmark::State &state)
{
    Shop &s = shop();
    sqlite3 *db = rawConnection();
    for (auto _ : state) {
        state.PauseTiming();
        const long long key = juneLine(s.db, "max");
        state.ResumeTiming();
        rawDelete(db, key);
    }
    sqlite3_close(db);
}

} // namespace

BENCHMARK(saleLineDelete)->Unit(benchmark::kMillisecond);
BENCHMARK(saleLineDeleteRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(saleLineDeleteTransaction)->Unit(benchmark::kMillisecond);
BENCHMARK(saleLineDeleteTransactionRaw)->Unit(benchmark::kMillisecond);

namespace {

const bool registeredOnServer = [] {
    if (!serverWanted())
        return false;
    const auto database = []() -> Database & { return shop(true).db; };
    registerWholeAndRaw("saleLineDelete/100k-server", database, deleteThroughWindow(true), [](benchmark::State &state) {
        state.counters["rows"] = shop(true).data.salesQuery.recordCount();
    });
    registerWholeAndRaw("saleLineDeleteTransaction/100k-server", database, deleteTransaction(true));
    return true;
}();

} // namespace
