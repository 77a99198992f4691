// The sales details window on a shop of 100,000 stock rows and 1,000,000 sale lines: "本 月" and
// "全部记录" until the first screen is drawn with its footer sums, one keystroke in "商品名称：",
// the two chart queries, and "欠款客户" with a customer's owed lines. Beside each, plain SQLite runs on the same file, on a connection of
// its own, the statement that reads the same rows and the numbers the footer sums. The same
// interactions run on the shop copied into the benchmark's PostgreSQL server ("…/100k-server"),
// beside libpq replaying the statements they ran with the same values.
// Run with --benchmark_filter=details --benchmark_enable_random_interleaving=true.
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
#include <memory>
#include <optional>
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

    template <class Where>
    explicit Shop(const Where &where) : BenchContext(where), window(ctx)
    {
        window.resize(1008, 585);
    }
};

// The shop in its file, or copied into the benchmark's server.
Shop &shop(bool server = false)
{
    // Never destroyed: the window must not outlive the application object at exit.
    if (server) {
        static Shop *onServer = new Shop(ServerAddress{serverShop(shopFile())});
        return *onServer;
    }
    static Shop *inFile = new Shop(shopFile());
    return *inFile;
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

// ---- the interactions, on the shop in its file or on the server ----

// "本 月" in kMonths[month] until the first screen is drawn.
Interaction thisMonth(bool server, int month)
{
    return {[=] { shop(server).clock.today = kMonths[month]; },
            [=] {
                Shop &s = shop(server);
                s.window.loadThisMonth();
                drawFirstScreen(*s.window.grid()->model(), s.data.salesQuery.currentRow());
                return QString();
            }};
}

Interaction allRecords(bool server)
{
    return {{}, [=] {
                Shop &s = shop(server);
                s.window.loadAll();
                drawFirstScreen(*s.window.grid()->model(), s.data.salesQuery.currentRow());
                return QString();
            }};
}

// A click on the title "金 额" after "全部记录": the amounts of all lines are read for the sort.
Interaction sortAllByAmount(bool server)
{
    return {[=] { shop(server).window.loadAll(); },
            [=] {
                Shop &s = shop(server);
                Grid &grid = *s.window.grid();
                grid.sortByColumn(grid.model()->columnOfField(QStringLiteral("4")));
                drawFirstScreen(*grid.model(), s.data.salesQuery.currentRow());
                return QString();
            }};
}

// One keystroke in "商品名称：": the initials typed so far.
const char *const kTyped[] = {"n", "nz", "nzk"};

QLineEdit *nameField(Shop &s)
{
    return s.window.findChild<QLineEdit *>(QStringLiteral("queryName"));
}

Interaction keystroke(bool server, int typed)
{
    return {[=] {
                const QSignalBlocker quiet(nameField(shop(server)));
                nameField(shop(server))->setText(QString::fromLatin1(kTyped[typed]).chopped(1));
            },
            [=] {
                Shop &s = shop(server);
                nameField(s)->setText(QString::fromLatin1(kTyped[typed])); // lists, as the key does
                drawFirstScreen(*s.window.grid()->model(), 0);
                return QString();
            }};
}

// The profit chart of the months of 2014 (`days` false) or of the days of 2014-12.
Interaction chart(bool server, bool days)
{
    return {[=] { shop(server).window.charts()->setPeriod(kMonths[1]); },
            [=] {
                SalesChartsPage &charts = *shop(server).window.charts();
                if (days)
                    charts.showDays(charttotals::Total::Profit);
                else
                    charts.showMonths(charttotals::Total::Profit);
                return QString();
            }};
}

// "欠款客户" clicked in the shown window until the customers grid, its titles and footer are
// painted: the grouped statement over the owed lines and loading a line per customer.
Interaction owedCustomers(bool server)
{
    return {[=] { shop(server).window.show(); },
            [=] {
                Shop &s = shop(server);
                s.window.findChild<QPushButton *>(QStringLiteral("owedCustomers"))->click();
                s.window.owedCustomers()->grid()->repaint();
                return QString();
            }};
}

// A double click on the customer who owes most until their owed lines are painted.
Interaction owedLinesOfACustomer(bool server)
{
    auto customer = std::make_shared<std::optional<OwedCustomer>>();
    return {[=] {
                Shop &s = shop(server);
                s.window.show();
                if (!*customer) {
                    s.window.loadOwedCustomers();
                    *customer = owedcustomers::customerAt(s.window.owedCustomers()->customers(), 0);
                }
            },
            [=] {
                Shop &s = shop(server);
                s.window.listOwedLinesOf(**customer);
                s.window.grid()->repaint();
                return QString();
            }};
}

// ---- the file's benchmarks ----

void detailsThisMonth(benchmark::State &state)
{
    runInteraction(state, thisMonth(false, int(state.range(0))));
    state.SetLabel(kMonths[state.range(0)].toString(QStringLiteral("yyyy-MM")).toStdString());
    listed(state, shop());
}

void detailsAllRecords(benchmark::State &state)
{
    shop(); // made before the clock runs
    runInteraction(state, allRecords(false));
    listed(state, shop());
}

// The first "全部记录" of a run also reads every line once for the sums kept afterwards.
void detailsAllRecordsFirstOfRun(benchmark::State &state)
{
    Shop &s = shop();
    const auto sumsForgotten = [&s] {
        for (const char *drop : {"DROP TRIGGER IF EXISTS temp.tolvane_totals_data1_insert",
                                 "DROP TRIGGER IF EXISTS temp.tolvane_totals_data1_delete",
                                 "DROP TRIGGER IF EXISTS temp.tolvane_totals_data1_update",
                                 "DROP TABLE IF EXISTS temp.tolvane_totals_data1"})
            s.db.execute(Statement(drop));
    };
    runInteraction(state, {sumsForgotten, allRecords(false).act});
    listed(state, s);
}

void detailsSortAllByAmount(benchmark::State &state)
{
    runInteraction(state, sortAllByAmount(false));
    listed(state, shop());
}

void detailsKeystroke(benchmark::State &state)
{
    runInteraction(state, keystroke(false, int(state.range(0))));
    state.SetLabel(kTyped[state.range(0)]);
    listed(state, shop());
    const QSignalBlocker quiet(nameField(shop()));
    nameField(shop())->clear();
}

void detailsChart(benchmark::State &state)
{
    runInteraction(state, chart(false, state.range(0) != 0));
    state.SetLabel(state.range(0) == 0 ? "months of 2014" : "days of 2014-12");
}

void detailsOwedCustomers(benchmark::State &state)
{
    runInteraction(state, owedCustomers(false));
    Shop &s = shop();
    state.counters["rows"] = s.window.owedCustomers()->customers().recordCount();
    s.window.hide();
}

void detailsOwedLinesOfACustomer(benchmark::State &state)
{
    runInteraction(state, owedLinesOfACustomer(false));
    listed(state, shop());
    shop().window.hide();
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

namespace {

// On the server beside libpq; the server sums the lines afresh at every "全部记录", so it has no
// first of a run.
const bool registeredOnServer = [] {
    if (!serverWanted())
        return false;
    const auto onServer = [](const std::string &name, const Interaction &interaction) {
        registerWholeAndRaw(name + "/100k-server", []() -> Database & { return shop(true).db; }, interaction,
                            [](benchmark::State &state) { listed(state, shop(true)); });
    };
    for (int month = 0; month < 2; ++month)
        onServer("detailsThisMonth/" + kMonths[month].toString(QStringLiteral("yyyy-MM")).toStdString(),
                 thisMonth(true, month));
    onServer("detailsAllRecords", allRecords(true));
    onServer("detailsSortAllByAmount", sortAllByAmount(true));
    for (int typed = 0; typed < 3; ++typed)
        onServer(std::string("detailsKeystroke/") + kTyped[typed], keystroke(true, typed));
    onServer("detailsChart/months", chart(true, false));
    onServer("detailsChart/days", chart(true, true));
    registerWholeAndRaw("detailsOwedCustomers/100k-server", []() -> Database & { return shop(true).db; },
                        owedCustomers(true), [](benchmark::State &state) {
                            state.counters["rows"] = shop(true).window.owedCustomers()->customers().recordCount();
                        });
    onServer("detailsOwedLinesOfACustomer", owedLinesOfACustomer(true));
    return true;
}();

} // namespace
