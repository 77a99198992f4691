// The sales details window on a shop of 100,000 stock rows and 1,000,000 sale lines: "本 月" and
// "全部记录" until the first screen is drawn with its footer sums, one keystroke in "商品名称：",
// the two chart queries, and "欠款客户" with a customer's owed lines. Beside each, plain SQLite runs on the same file, on a connection of
// its own, the statement that reads the same rows and the numbers the footer sums.
// Run with --benchmark_filter=details --benchmark_enable_random_interleaving=true.
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
#include "sales/charttotals.h"
#include "sales/saleschartspage.h"
#include "sales/owedcustomers.h"
#include "sales/owedcustomersview.h"
#include "sales/salesdetailswindow.h"
#include "widgets/grid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const ShopSize kShop{100000, 1000000};

QString shopFile()
{
    return indexedShop(kShop);
}

// Two months of the generated shop: a usual one and the busiest, whose lines are the most.
const QDate kMonths[] = {QDate(2014, 7, 15), QDate(2014, 12, 15)};

class BenchClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(today, QTime(10, 0)); }
    QDate today = kMonths[0];
};

class SilentMessages : public DialogMessages {
public:
    void error(const QString &text) override { qFatal("%s", qPrintable(text)); }
};

struct Shop : BenchContext<SilentMessages, BenchClock> {
    SalesDetailsWindow window;

    explicit Shop(const QString &file) : BenchContext(file), window(ctx)
    {
        window.resize(1008, 585);
    }
};

Shop &shop()
{
    static Shop instance(shopFile());
    return instance;
}

// What the grid reads to draw its first screenful: the texts and colours of 25 rows from the
// current one, and the footer.
void drawFirstScreen(const DatasetModel &model, int fromRow)
{
    const int first = std::max(0, std::min(fromRow, model.rowCount() - 25));
    for (int row = first; row < std::min(first + 25, model.rowCount()); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            benchmark::DoNotOptimize(model.data(index, Qt::DisplayRole));
            benchmark::DoNotOptimize(model.data(index, Qt::ForegroundRole));
        }
    }
    for (int column = 0; column < model.columnCount(); ++column)
        benchmark::DoNotOptimize(model.footerText(column));
}

void listed(benchmark::State &state, const Shop &s)
{
    state.counters["rows"] = s.data.salesQuery.recordCount();
}

void detailsThisMonth(benchmark::State &state)
{
    Shop &s = shop();
    s.clock.today = kMonths[state.range(0)];
    for (auto _ : state) {
        s.window.loadThisMonth();
        drawFirstScreen(*s.window.grid()->model(), s.data.salesQuery.currentRow());
    }
    state.SetLabel(s.clock.today.toString(QStringLiteral("yyyy-MM")).toStdString());
    listed(state, s);
}

void detailsAllRecords(benchmark::State &state)
{
    Shop &s = shop();
    for (auto _ : state) {
        s.window.loadAll();
        drawFirstScreen(*s.window.grid()->model(), s.data.salesQuery.currentRow());
    }
    listed(state, s);
}

// The first "全部记录" of a run also reads every line once for the sums kept afterwards.
void detailsAllRecordsFirstOfRun(benchmark::State &state)
{
    Shop &s = shop();
    for (auto _ : state) {
        state.PauseTiming();
        for (const char *drop : {"DROP TRIGGER IF EXISTS temp.tolvane_totals_data1_insert",
                                 "DROP TRIGGER IF EXISTS temp.tolvane_totals_data1_delete",
                                 "DROP TRIGGER IF EXISTS temp.tolvane_totals_data1_update",
                                 "DROP TABLE IF EXISTS temp.tolvane_totals_data1"})
            s.db.execute(Statement(drop));
        state.ResumeTiming();
        s.window.loadAll();
        drawFirstScreen(*s.window.grid()->model(), s.data.salesQuery.currentRow());
    }
    listed(state, s);
}

// A click on the title "金 额" after "全部记录": the amounts of all lines are read for the sort.
void detailsSortAllByAmount(benchmark::State &state)
{
    Shop &s = shop();
    Grid &grid = *s.window.grid();
    for (auto _ : state) {
        state.PauseTiming();
        s.window.loadAll();
        state.ResumeTiming();
        grid.sortByColumn(grid.model()->columnOfField(QStringLiteral("4")));
        drawFirstScreen(*grid.model(), s.data.salesQuery.currentRow());
    }
    listed(state, s);
}

// One keystroke in "商品名称：": the initials typed so far.
const char *const kTyped[] = {"n", "nz", "nzk"};

void detailsKeystroke(benchmark::State &state)
{
    Shop &s = shop();
    auto *name = s.window.findChild<QLineEdit *>(QStringLiteral("queryName"));
    for (auto _ : state) {
        state.PauseTiming();
        {
            const QSignalBlocker quiet(name);
            name->setText(QString::fromLatin1(kTyped[state.range(0)]).chopped(1));
        }
        state.ResumeTiming();
        name->setText(QString::fromLatin1(kTyped[state.range(0)])); // lists, as the key does
        drawFirstScreen(*s.window.grid()->model(), 0);
    }
    state.SetLabel(kTyped[state.range(0)]);
    listed(state, s);
    const QSignalBlocker quiet(name);
    name->clear();
}

void detailsChart(benchmark::State &state)
{
    Shop &s = shop();
    SalesChartsPage &charts = *s.window.charts();
    charts.setPeriod(kMonths[1]);
    for (auto _ : state) {
        if (state.range(0) == 0)
            charts.showMonths(charttotals::Total::Profit);
        else
            charts.showDays(charttotals::Total::Profit);
    }
    state.SetLabel(state.range(0) == 0 ? "months of 2014" : "days of 2014-12");
}

// "欠款客户" clicked in the shown window until the customers grid, its titles and footer are
// painted: the grouped statement over the owed lines and loading a line per customer.
void detailsOwedCustomers(benchmark::State &state)
{
    Shop &s = shop();
    s.window.show();
    auto *button = s.window.findChild<QPushButton *>(QStringLiteral("owedCustomers"));
    Grid *customers = s.window.owedCustomers()->grid();
    for (auto _ : state) {
        button->click();
        customers->repaint();
    }
    state.counters["rows"] = s.window.owedCustomers()->customers().recordCount();
    s.window.hide();
}

// A double click on the customer who owes most until their owed lines are painted.
void detailsOwedLinesOfACustomer(benchmark::State &state)
{
    Shop &s = shop();
    s.window.show();
    s.window.loadOwedCustomers();
    const OwedCustomer customer = owedcustomers::customerAt(s.window.owedCustomers()->customers(), 0);
    for (auto _ : state) {
        s.window.listOwedLinesOf(customer);
        s.window.grid()->repaint();
    }
    listed(state, s);
    s.window.hide();
}

// A statement on its own connection to the same file: prepare, bind, step through every row
// reading the summed numbers and adding them up. The connection maps the file into memory as
// the program's own does (see Database).
void rawSqlite(benchmark::State &state, const Statement &statement, int summedFrom)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(shopFile().toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_exec(db, "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
    const QByteArray sql = statement.sql.toUtf8();
    QList<QByteArray> params;
    for (const QVariant &p : statement.params)
        params << p.toString().toUtf8();
    long rows = 0;
    double total = 0;
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
        for (int i = 0; i < params.size(); ++i)
            sqlite3_bind_text(stmt, i + 1, params[i].constData(), int(params[i].size()), SQLITE_TRANSIENT);
        rows = 0;
        const int columns = sqlite3_column_count(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            ++rows;
            for (int c = summedFrom; c < columns; ++c)
                total += sqlite3_column_double(stmt, c);
        }
        sqlite3_finalize(stmt);
    }
    benchmark::DoNotOptimize(total);
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
}

// The statement the program runs for the rows of a listing: the listing narrowed to the key and
// the columns the grid sums and colours by.
Statement rowsStatement(const Statement &listing)
{
    Shop &s = shop();
    routines::open(s.data.salesQuery, listing);
    return s.data.salesQuery.rowsStatement();
}

void detailsThisMonthRaw(benchmark::State &state)
{
    const QDate month = kMonths[state.range(0)];
    rawSqlite(state, rowsStatement(saleslistings::thisMonth(month)), 1);
    state.SetLabel(month.toString(QStringLiteral("yyyy-MM")).toStdString());
}

void detailsAllRecordsRaw(benchmark::State &state)
{
    rawSqlite(state, rowsStatement(saleslistings::allRecords()), 1);
    state.SetLabel("same rows and sums");
}

// The floor of what "全部记录" reads: every key in date order, the sums being kept as lines are
// written (see TableTotals).
void detailsAllRecordsKeysRaw(benchmark::State &state)
{
    rawSqlite(state, Statement("select [ID] from data1 order by day1"), 1);
    state.SetLabel("keys only");
}

void detailsKeystrokeRaw(benchmark::State &state)
{
    SalesConditions conditions;
    conditions.name = QString::fromLatin1(kTyped[state.range(0)]);
    rawSqlite(state, rowsStatement(saleslistings::sales(conditions)), 1);
    state.SetLabel(kTyped[state.range(0)]);
}

// The customers statement: every customer line with its counts, totals and dates read.
void detailsOwedCustomersRaw(benchmark::State &state)
{
    rawSqlite(state, owedcustomers::customers(), 3);
}

void detailsOwedLinesOfACustomerRaw(benchmark::State &state)
{
    Shop &s = shop();
    s.window.loadOwedCustomers();
    rawSqlite(state, rowsStatement(owedcustomers::linesOf(owedcustomers::customerAt(s.window.owedCustomers()->customers(), 0))), 1);
}

// What the owed index adds to writing a sale line: one line inserted and rolled back, owing
// nothing (no entry in the index) or owing an amount (one entry), on a connection of its own.
void detailsWriteSaleLine(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(shopFile().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    // Nothing reaches the disk: what is measured is the work on the table and its indexes.
    sqlite3_exec(db, "PRAGMA journal_mode=MEMORY", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    const QByteArray sql = QStringLiteral("INSERT INTO data1 (a,b,c,d,e,f,g,h,i,z,[1],[2],[3],[4],a5,[6],day1,day2) "
                                          "VALUES ('衬衫','红色M','6900001','男装','cs','hsm','张三','北京路1号',"
                                          "'13800000000','20141231001',50,80,1,80,30,%1,'2014-12-31','2014-01-01')")
                               .arg(state.range(0) == 0 ? 0 : 40)
                               .toUtf8();
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    state.SetLabel(state.range(0) == 0 ? "paid" : "owing");
}

void detailsChartRaw(benchmark::State &state)
{
    const QDate month = kMonths[1];
    const auto statement = state.range(0) == 0 ? charttotals::byMonth(QString::number(month.year()), charttotals::Total::Profit)
                                               : charttotals::byDay(QString::number(month.year()),
                                                                    QString::number(month.month()), charttotals::Total::Profit);
    rawSqlite(state, *statement, 1);
    state.SetLabel(state.range(0) == 0 ? "months of 2014" : "days of 2014-12");
}

} // namespace

BENCHMARK(detailsThisMonth)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsThisMonthRaw)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsAllRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsAllRecordsRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsAllRecordsKeysRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsAllRecordsFirstOfRun)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsSortAllByAmount)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsKeystroke)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsKeystrokeRaw)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsOwedCustomers)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsOwedCustomersRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsOwedLinesOfACustomer)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsOwedLinesOfACustomerRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsWriteSaleLine)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(detailsChart)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(detailsChartRaw)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
