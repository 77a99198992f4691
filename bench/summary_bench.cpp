// The inventory summary shown on a shop of 100,000 stock rows and 1,000,000 sale lines: the
// grouped statement, loading its lines into the summary grid, the footer sums, the last line made
// current and what the first screen draws; and the whole window shown offscreen until its grid is
// painted. Beside it, plain SQLite runs the same statement on the same file, and the statement
// without the grouping of missing and empty texts.
// Run with --benchmark_filter=Summary --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
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
#include "data/routines.h"
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
    explicit SummaryShop(const QString &file)
        : db(file), data((db.open(), db)), grid(data.summaryQuery, InventorySummaryWindow::gridColumns())
    {
        grid.resize(900, 485);
    }
};

SummaryShop &summaryShop()
{
    static SummaryShop instance(cachedShop(kShop));
    return instance;
}

// What the grid reads to draw its first screenful: the texts of the 25 lines around the current.
void drawCurrentScreen(const DatasetModel &model, int current)
{
    for (int row = std::max(0, current - 24); row <= current; ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            benchmark::DoNotOptimize(model.data(model.index(row, column), Qt::DisplayRole));
    }
}

void programSummaryShown(benchmark::State &state)
{
    SummaryShop &s = summaryShop();
    Dataset &lines = s.data.summaryQuery;
    for (auto _ : state) {
        routines::open(lines, InventorySummaryWindow::statement());
        lines.last();
        drawCurrentScreen(*s.grid.model(), lines.currentRow());
        benchmark::DoNotOptimize(s.grid.model()->footerText(9));
    }
    state.counters["lines"] = lines.recordCount();
}

class SilentMessages : public DialogMessages {
public:
    void error(const QString &text) override { qFatal("%s", qPrintable(text)); }
};

// The summary window on the same shop file, with the services a window needs.
struct SummaryWindowShop : BenchContext<SilentMessages, SystemClock> {
    InventorySummaryWindow window;

    explicit SummaryWindowShop(const QString &file) : BenchContext(file), window(ctx) {}
};

// "汇总统计" opened: the window shown offscreen (which reads the totals) until its grid, titles and
// footer are painted. Hiding it again, which closes the result, is not timed.
void programSummaryWindowShown(benchmark::State &state)
{
    static SummaryWindowShop s(cachedShop(kShop));
    for (auto _ : state) {
        s.window.show();
        s.window.gridWidget()->repaint();
        state.PauseTiming();
        s.window.hide();
        state.ResumeTiming();
    }
    s.window.show();
    state.counters["lines"] = s.data.summaryQuery.recordCount();
    s.window.hide();
}

// A statement on its own connection to the same file, mapped into memory as the program's own
// connection is: prepare, step through every line, read nothing.
void rawSqlite(benchmark::State &state, const QString &statement)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(cachedShop(kShop).toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
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

void rawSqliteSummaryStatement(benchmark::State &state)
{
    rawSqlite(state, InventorySummaryWindow::statement().sql);
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
BENCHMARK(programSummaryWindowShown)->Unit(benchmark::kMillisecond);
BENCHMARK(rawSqliteSummaryStatement)->Unit(benchmark::kMillisecond);
BENCHMARK(rawSqliteGroupedAsStored)->Unit(benchmark::kMillisecond);
