// One keystroke in "商品名称：" of the stock query on a shop of 100,000 stock rows and 1,000,000
// sale lines: the search of the stock rows kept in memory, loading its rows into the main grid,
// the footer sums, reading what the first screen draws. Beside it, plain SQLite runs on the same
// file the statement a keystroke would run without the kept rows (narrowed to the columns the
// grid loads), and the plain `select *` conditions statement.
#include "ratioreporter.h"
#include "shopgenerator.h"

#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "stock/stockconditions.h"
#include "stock/stockqueryview.h"
#include "stock/stocksearchindex.h"
#include "counter/scannedcode.h"
#include "sales/saleposting.h"
#include "widgets/grid.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const ShopSize kShop{100000, 1000000};

// The typed texts: the initials of 牛仔裤 and of 羽绒服, one key at a time. "y" is among the most
// frequent initials, so its first key loads the most rows.
const char *const kTyped[] = {"n", "nz", "nzk", "y", "yr", "yrf"};

struct Shop {
    Database db;
    DataModule data;
    Grid grid;
    StockSearchIndex search;
    explicit Shop(const QString &file)
        : db(file), data((db.open(), db)), grid(data.stockQuery, StockQueryView::gridColumns()),
          search(db, {StockListing::allRows().baseCondition}, grid.model()->summedFields())
    {
        grid.resize(1031, 460);
        grid.readOnDemand();
        grid.setRowColour([this](int row) {
            return data.stockQuery.value(row, QStringLiteral("7")).toDouble() <= 5 ? QColor(255, 0, 0) : QColor();
        });
    }
};

Shop &shop()
{
    static Shop instance(cachedShop(kShop));
    return instance;
}

StockConditions typedName(const char *typed)
{
    StockConditions conditions;
    conditions.name = QString::fromLatin1(typed);
    return conditions;
}

Statement keystroke(const char *typed)
{
    return stockConditionsStatement(StockListing::allRows().baseCondition, typedName(typed));
}

// What the grid reads to draw its first screenful: the texts and colours of 25 rows.
void drawFirstScreen(const DatasetModel &model)
{
    for (int row = 0; row < std::min(25, model.rowCount()); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            benchmark::DoNotOptimize(model.data(index, Qt::DisplayRole));
            benchmark::DoNotOptimize(model.data(index, Qt::ForegroundRole));
        }
    }
}

void programKeystroke(benchmark::State &state)
{
    Shop &s = shop();
    const StockConditions conditions = typedName(kTyped[state.range(0)]);
    const QString base = StockListing::allRows().baseCondition;
    // The stock rows are read into memory by the first keystroke after start, not by each.
    s.search.find(base, conditions);
    for (auto _ : state) {
        s.search.openListing(s.data.stockQuery, base, conditions);
        drawFirstScreen(*s.grid.model());
        benchmark::DoNotOptimize(s.grid.model()->footerText(4));
    }
    state.SetLabel(kTyped[state.range(0)]);
    state.counters["rows"] = s.data.stockQuery.recordCount();
}

// The first keystroke after start: the stock rows are read into memory, then searched.
void programFirstKeystroke(benchmark::State &state)
{
    Shop &s = shop();
    const StockConditions conditions = typedName(kTyped[state.range(0)]);
    const QString base = StockListing::allRows().baseCondition;
    for (auto _ : state) {
        StockSearchIndex search(s.db, {base}, s.grid.model()->summedFields());
        search.openListing(s.data.stockQuery, base, conditions);
        drawFirstScreen(*s.grid.model());
    }
    state.SetLabel(kTyped[state.range(0)]);
}

// A code read by the scanner: looked up whole among the stock rows in stock, and the stock row of
// its oldest batch read for the sale panel (what a scan adds to opening the panel).
void programScanLookup(benchmark::State &state)
{
    Shop &s = shop();
    const QString code =
        s.db.scalar(Statement("select c from data where c<>'' and [7]>0 order by ID limit 1 offset 50000")).toString();
    for (auto _ : state) {
        const ScannedCode found = ScannedCode::find(s.db, code);
        if (found.kind == ScannedCode::Kind::One)
            benchmark::DoNotOptimize(LoadedStock::stored(s.db, found.key));
    }
    state.SetLabel(code.toStdString());
}

// The statement a keystroke runs where the kept rows cannot answer (other conditions too): the
// conditions statement narrowed to the columns the grid reads while loading.
Statement programRowsStatement(const char *typed)
{
    Shop &s = shop();
    routines::open(s.data.stockQuery, keystroke(typed));
    return s.data.stockQuery.rowsStatement();
}

// A statement on its own connection to the same file: prepare, bind, step through every row,
// read nothing. The connection maps the file into memory as the program's own does (see
// Database), so the difference is what the program adds to the statement.
void rawSqlite(benchmark::State &state, const Statement &statement)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(cachedShop(kShop).toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, ("PRAGMA mmap_size=" + std::to_string(Database::kMemoryMapBytes)).c_str(), nullptr, nullptr, nullptr);
    const QByteArray sql = statement.sql.toUtf8();
    const QByteArray pattern = statement.params.value(0).toString().toUtf8();
    long rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
        sqlite3_bind_text(stmt, 1, pattern.constData(), int(pattern.size()), SQLITE_TRANSIENT);
        rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            ++rows;
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    state.SetLabel(kTyped[state.range(0)]);
    state.counters["rows"] = double(rows);
}

// What the program runs: the narrowed statement, which reads the scan index.
void rawSqliteProgramStatement(benchmark::State &state)
{
    rawSqlite(state, programRowsStatement(kTyped[state.range(0)]));
}

// The plain conditions statement, `select * from data …`, which reads whole table rows.
void rawSqliteSelectAll(benchmark::State &state)
{
    shop();
    rawSqlite(state, keystroke(kTyped[state.range(0)]));
}

// "全部记录" for comparison: every stock row into the grid.
void programAllRecords(benchmark::State &state)
{
    Shop &s = shop();
    for (auto _ : state) {
        routines::open(s.data.stockQuery, Statement(StockListing::allRows().allRecords));
        s.data.stockQuery.last();
        drawFirstScreen(*s.grid.model());
    }
    state.counters["rows"] = s.data.stockQuery.recordCount();
}

// A click on the title "名 称" after "全部记录": the names of all rows are read for the sort.
void programSortAllByName(benchmark::State &state)
{
    Shop &s = shop();
    for (auto _ : state) {
        state.PauseTiming();
        routines::open(s.data.stockQuery, Statement(StockListing::allRows().allRecords));
        state.ResumeTiming();
        s.grid.sortByColumn(0);
        drawFirstScreen(*s.grid.model());
    }
    state.counters["rows"] = s.data.stockQuery.recordCount();
}

} // namespace

BENCHMARK(programKeystroke)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(programFirstKeystroke)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(programScanLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(rawSqliteProgramStatement)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(rawSqliteSelectAll)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(programAllRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(programSortAllByName)->Unit(benchmark::kMillisecond);

// A mode of the interactions benchmark run in a process of its own (a fresh start, a fresh login);
// -1 when the arguments ask for none.
int runInteractionsChild(int argc, char **argv);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const int status = runInteractionsChild(argc, argv); status >= 0)
        return status;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The whole interactions are followed by a table of their times beside plain SQLite's.
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
