// The inventory summary shown on a shop of 100,000 stock rows and 1,000,000 sale lines: the whole
// window shown offscreen until its grid is painted ("whole/summaryWindowShown/100k"), beside plain
// SQLite on a connection of its own to the same file replaying the statements the window ran
// ("raw/…"); the same on the shop copied into the benchmark's PostgreSQL server ("…/100k-server"),
// beside libpq. Apart from those: the totals as the window reads them, loaded into the summary
// grid, the footer sums, the last line made current and what the first screen draws, without the
// window; and plain SQLite grouping the rows by statement (the database's GROUP BY), and by the
// columns as stored, where a missing and an empty text make two lines.
// Run with --benchmark_filter=Summary --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
#include "benchserver.h"
#include "peakmemory.h"
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
#include "stock/articletotals.h"
#include "stock/inventorysummarywindow.h"
#include "widgets/grid.h"

#include <QTemporaryDir>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const ShopSize kShop{100000, 1000000};

struct SummaryShop {
    Database db;
    DataModule data;
    Grid grid;
    template <class Where>
    explicit SummaryShop(const Where &where)
        : db(where), data((db.open(), db)), grid(data.summaryQuery, InventorySummaryWindow::gridColumns())
    {
        grid.resize(900, 485);
    }
};

// On the server: the generated shop as the sales benchmarks have it on the server (the same rows,
// with the program's indexes), so one copy serves them all.
ServerAddress summaryServer()
{
    return ServerAddress{serverShop(indexedShop(kShop))};
}

SummaryShop &summaryShop(bool server = false)
{
    // Never destroyed: the grid must not outlive the application object at exit.
    if (server) {
        static SummaryShop *onServer = new SummaryShop(summaryServer());
        return *onServer;
    }
    static SummaryShop *inFile = new SummaryShop(cachedShop(kShop));
    return *inFile;
}

// What the grid reads to draw its first screenful: the texts of the 25 lines around the current.
void drawCurrentScreen(const DatasetModel &model, int current)
{
    for (int row = std::max(0, current - 24); row <= current; ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            benchmark::DoNotOptimize(model.data(model.index(row, column), Qt::DisplayRole));
    }
}

Interaction summaryShown(bool server)
{
    return {{}, [=] {
                SummaryShop &s = summaryShop(server);
                Dataset &lines = s.data.summaryQuery;
                articletotals::load(lines);
                lines.last();
                drawCurrentScreen(*s.grid.model(), lines.currentRow());
                benchmark::DoNotOptimize(s.grid.model()->footerText(9));
                return QString();
            }};
}

void programSummaryShown(benchmark::State &state)
{
    summaryShop(); // made before the clock runs
    runInteraction(state, summaryShown(false));
    state.counters["lines"] = summaryShop().data.summaryQuery.recordCount();
}

class SilentMessages : public DialogMessages {
public:
    void error(const QString &text) override { qFatal("%s", qPrintable(text)); }
};

// The summary window on the same shop, with the services a window needs.
struct SummaryWindowShop : BenchContext<SilentMessages, SystemClock> {
    InventorySummaryWindow window;

    template <class Where>
    explicit SummaryWindowShop(const Where &where) : BenchContext(where), window(ctx) {}
};

SummaryWindowShop &summaryWindowShop(bool server = false)
{
    // Never destroyed: the window must not outlive the application object at exit.
    if (server) {
        static SummaryWindowShop *onServer = new SummaryWindowShop(summaryServer());
        return *onServer;
    }
    static SummaryWindowShop *inFile = new SummaryWindowShop(cachedShop(kShop));
    return *inFile;
}

// "汇总统计" opened: the window shown offscreen (which reads the totals) until its grid, titles and
// footer are painted. Hiding it first, which closes the result, is not timed.
Interaction summaryWindowShown(bool server)
{
    return {[=] { summaryWindowShop(server).window.hide(); },
            [=] {
                SummaryWindowShop &s = summaryWindowShop(server);
                s.window.show();
                s.window.gridWidget()->repaint();
                return QString();
            }};
}

// A statement on its own connection to the same file, mapped into memory as the program's own
// connection is: prepare, step through every line, read nothing.
void rawSqlite(benchmark::State &state, const QString &statement)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(cachedShop(kShop).toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, ("PRAGMA mmap_size=" + std::to_string(Database::kMemoryMapBytes)).c_str(), nullptr, nullptr, nullptr);
    const QByteArray sql = statement.toUtf8();
    long lines = 0;
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
        lines = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            ++lines;
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    state.counters["lines"] = double(lines);
}

// The database grouping the stock rows as the lines are: what the window's one pass stands for.
void rawSqliteGroupedStatement(benchmark::State &state)
{
    rawSqlite(state, articletotals::statement().sql);
}

// Grouping by the columns as stored, where a missing and an empty text make two lines.
void rawSqliteGroupedAsStored(benchmark::State &state)
{
    rawSqlite(state, QStringLiteral("sELECT a,b,c,d, sum([2]) AS 进货数量,sum([3]) AS 进货金额,sum([5]) AS 销售数量,"
                                    "sum([6]) AS 销售金额, sum([7]) AS 库存数量,sum([8]) AS 库存金额 FROM data "
                                    "GROUP BY a,b,c,d "));
}

} // namespace

BENCHMARK(programSummaryShown)->Unit(benchmark::kMillisecond);
BENCHMARK(rawSqliteGroupedStatement)->Unit(benchmark::kMillisecond);
BENCHMARK(rawSqliteGroupedAsStored)->Unit(benchmark::kMillisecond);

namespace {

// The window on the shop in its file, and on the server when wanted.
const bool registeredWhole = [] {
    registerWholeAndRaw("summaryWindowShown/100k", []() -> Database & { return summaryWindowShop().db; },
                        summaryWindowShown(false), [](benchmark::State &state) {
                            SummaryWindowShop &s = summaryWindowShop();
                            s.window.show();
                            state.counters["lines"] = s.data.summaryQuery.recordCount();
                            reportPeakMemory(state, summaryWindowShown(false));
                            s.window.hide();
                        });
    if (!serverWanted())
        return false;
    registerWholeAndRaw("summaryShown/100k-server", []() -> Database & { return summaryShop(true).db; },
                        summaryShown(true), [](benchmark::State &state) {
                            state.counters["lines"] = summaryShop(true).data.summaryQuery.recordCount();
                        });
    registerWholeAndRaw("summaryWindowShown/100k-server", []() -> Database & { return summaryWindowShop(true).db; },
                        summaryWindowShown(true), [](benchmark::State &state) {
                            state.counters["lines"] = summaryWindowShop(true).data.summaryQuery.recordCount();
                            reportPeakMemory(state, summaryWindowShown(true));
                        });
    return true;
}();

} // namespace
