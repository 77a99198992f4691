// The sales details window on a shop of 100,000 stock rows and 1,000,000 sale lines, shown as a
// shop keeper sees it: "本 月", "全部记录" (also the first one after the program started), one
// keystroke in "商品名称：" or "商品编码：", the title click "金 额", the two chart queries, and
// "欠款客户" with a customer's owed lines, each timed from the click or the field's new text until
// the grid (and its footer) has painted. Beside each, plain SQLite on a connection of its own runs
// the statements the interaction ran, with the same values, on the same file ("raw/…"). The same
// interactions run on the shop copied into the benchmark's PostgreSQL server ("…/100k-server"),
// beside libpq replaying the statements they ran.
// Run with --benchmark_filter=details --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
#include "paintwatch.h"
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
#include "widgets/gridfooter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
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

// The generated shop as the program keeps it: a copy of its own, opened once by the program so
// that what the program adds to a shop file at open (indexes) is in it and no measurement pays
// for it. The copy is this benchmark's alone: other benchmarks' copies stay as they are.
QString shopFile()
{
    static const QString file = [] {
        const QString indexed = indexedShop(kShop);
        const QString copy = QFileInfo(indexed).dir().filePath(QStringLiteral("details-") + QFileInfo(indexed).fileName());
        if (!QFile::exists(copy)) {
            const QString partial = copy + QStringLiteral(".part");
            QFile::remove(partial);
            if (!QFile::copy(indexed, partial))
                qFatal("cannot copy %s", qPrintable(indexed));
            Database db(partial);
            db.open();
            db.close();
            QFile::rename(partial, copy);
        }
        return copy;
    }();
    return file;
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

// The window shown on one shop, as a shop keeper has it open.
struct Shop : BenchContext<SilentMessages, BenchClock> {
    SalesDetailsWindow window;
    PaintWatch rows, footer;

    template <class Where>
    explicit Shop(const Where &where) : BenchContext(where), window(ctx)
    {
        window.resize(1008, 585);
        window.show(); // lists this month
        window.grid()->view()->viewport()->installEventFilter(&rows);
        window.grid()->footer()->installEventFilter(&footer);
        settle();
    }

    // Handles everything pending, so an interaction starts from a quiet window.
    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void startWatching()
    {
        settle();
        rows.painted = footer.painted = false;
    }
    // Handles events until the grid's rows and its footer have painted; false after 60 s without.
    bool untilPainted()
    {
        QElapsedTimer waited;
        waited.start();
        while (!rows.painted || !footer.painted) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (waited.elapsed() > 60000)
                return false;
        }
        return true;
    }
    QString paintedOrWhy() { return untilPainted() ? QString() : QStringLiteral("the grid was not painted"); }

    template <class T>
    T *child(const char *name)
    {
        T *found = window.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
};

// The shop in its file, or copied into the benchmark's server.
Shop &shop(bool server = false)
{
    // Never destroyed: the window must not outlive the application object at exit.
    if (server) {
        static Shop *onServer = new Shop(ServerAddress{serverShop(indexedShop(kShop))});
        return *onServer;
    }
    static Shop *inFile = new Shop(shopFile());
    return *inFile;
}

void listed(benchmark::State &state, const Shop &s)
{
    state.counters["rows"] = s.data.salesQuery.recordCount();
}

// An interaction from a quiet window until the grid has painted: `prepare` is not timed.
Interaction painted(bool server, const std::function<void(Shop &)> &prepare, const std::function<void(Shop &)> &act)
{
    return {[=] {
                Shop &s = shop(server);
                if (prepare)
                    prepare(s);
                s.startWatching();
            },
            [=] {
                Shop &s = shop(server);
                act(s);
                return s.paintedOrWhy();
            }};
}

// ---- the interactions, on the shop in its file or on the server ----

// "本 月" in kMonths[month].
Interaction thisMonth(bool server, int month)
{
    return painted(
        server, [=](Shop &s) { s.clock.today = kMonths[month]; },
        [](Shop &s) { s.child<QPushButton>("thisMonth")->click(); });
}

Interaction allRecords(bool server)
{
    return painted(server, {}, [](Shop &s) { s.child<QPushButton>("allRecords")->click(); });
}

// A click on the title "金 额" after "全部记录": the amounts of all lines are read for the sort.
Interaction sortAllByAmount(bool server)
{
    return painted(
        server, [](Shop &s) { s.window.loadAll(); },
        [](Shop &s) {
            Grid &grid = *s.window.grid();
            grid.sortByColumn(grid.model()->columnOfField(QStringLiteral("4")));
        });
}

// One keystroke in a condition field: the text typed so far, the last key timed.
struct Typed {
    const char *field; // the field's object name
    const char *text;
};
const Typed kTyped[] = {{"queryName", "n"},    {"queryName", "nz"},   {"queryName", "nzk"},
                        {"queryName", "nzkx"}, {"queryCode", "69170"}, {"queryCustomer", "犁挑氦"}};

std::string typedLabel(const Typed &typed)
{
    return std::string(typed.field + 5) + "-" + typed.text;
}

Interaction keystroke(bool server, const Typed &typed)
{
    return painted(
        server,
        [=](Shop &s) {
            // Every other condition empty, this one holding the keys before the last.
            for (QLineEdit *field : s.window.findChildren<QLineEdit *>()) {
                const QSignalBlocker quiet(field);
                if (field->objectName().startsWith(QLatin1String("query")))
                    field->clear();
            }
            const QSignalBlocker quiet(s.child<QLineEdit>(typed.field));
            s.child<QLineEdit>(typed.field)->setText(QString::fromUtf8(typed.text).chopped(1));
        },
        [=](Shop &s) { s.child<QLineEdit>(typed.field)->setText(QString::fromUtf8(typed.text)); });
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

// "欠款客户" clicked until the customers grid, its titles and footer are painted: the grouped
// statement over the owed lines and loading a line per customer.
Interaction owedCustomers(bool server)
{
    return {{}, [=] {
                Shop &s = shop(server);
                s.child<QPushButton>("owedCustomers")->click();
                s.window.owedCustomers()->grid()->repaint();
                return QString();
            }};
}

// A double click on the customer who owes most until their owed lines are painted.
Interaction owedLinesOfACustomer(bool server)
{
    auto customer = std::make_shared<std::optional<OwedCustomer>>();
    return painted(
        server,
        [=](Shop &s) {
            if (!*customer) {
                s.window.loadOwedCustomers();
                *customer = owedcustomers::customerAt(s.window.owedCustomers()->customers(), 0);
            }
        },
        [=](Shop &s) { s.window.listOwedLinesOf(**customer); });
}

// ---- the first "全部记录" after the program started ----

// A fresh program on the shop file: a connection opened afresh and a new window shown (which
// lists this month), nothing more. What is cold: the program's connection (its page cache, its
// prepared statements, the temporary sums of TableTotals) and the new window's grid. The file's
// pages are in the system's file cache, as they are a moment after a start.
Shop *&freshShop()
{
    static Shop *fresh = nullptr; // never destroyed at exit, as shop()
    return fresh;
}

Interaction firstAllRecords()
{
    return {[] {
                delete std::exchange(freshShop(), nullptr);
                freshShop() = new Shop(shopFile());
                freshShop()->startWatching();
            },
            [] {
                Shop &s = *freshShop();
                s.child<QPushButton>("allRecords")->click();
                return s.paintedOrWhy();
            }};
}

// Statements on a connection of its own to the shop file, replayed as the raw partners are.
std::vector<Recorded> statements(std::initializer_list<const char *> sql)
{
    std::vector<Recorded> list;
    for (const char *text : sql)
        list.push_back({text, {}});
    return list;
}

// ---- the file's benchmarks that are no whole interaction ----

// The floor of "全部记录" with nothing known: every key in date order, and the sums of every line.
void detailsAllRecordsKeysAndSumsRaw(benchmark::State &state)
{
    runReplay(state, shop().db,
              statements({"select ID from data1 order by day1, ID",
                          "select sum([3]), sum([4]), sum([6]), sum(a5) from data1"}),
              "keys and sums");
}

// The plain scan of a condition typed into "商品名称：", every line's initials matched.
void detailsKeystrokePlainScanRaw(benchmark::State &state)
{
    const QByteArray sql = QStringLiteral("select ID, [3] from data1 where [3]>0 and e like '%%1%' escape '\\' order by ID")
                               .arg(QString::fromUtf8(kTyped[state.range(0)].text))
                               .toUtf8();
    runReplay(state, shop().db, {{sql.toStdString(), {}}}, "plain scan");
    state.SetLabel(kTyped[state.range(0)].text);
}

// What writing a sale line costs the indexes: one line inserted and rolled back, owing nothing
// (no entry in the owed index) or owing an amount (one entry), on a connection of its own.
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

} // namespace

BENCHMARK(detailsAllRecordsKeysAndSumsRaw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(detailsKeystrokePlainScanRaw)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(detailsWriteSaleLine)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

namespace {

// Every interaction, whole beside raw: on the file ("…/100k"), and on the server when wanted.
const bool registered = [] {
    std::vector<bool> places{false};
    if (serverWanted())
        places.push_back(true);
    for (const bool server : places) {
        const std::string where = server ? "/100k-server" : "/100k";
        const auto both = [&](const std::string &name, const Interaction &interaction) {
            registerWholeAndRaw(name + where, [server]() -> Database & { return shop(server).db; }, interaction,
                                [server](benchmark::State &state) { listed(state, shop(server)); });
        };
        for (int month = 0; month < 2; ++month)
            both("detailsThisMonth/" + kMonths[month].toString(QStringLiteral("yyyy-MM")).toStdString(),
                 thisMonth(server, month));
        both("detailsAllRecords", allRecords(server));
        both("detailsSortAllByAmount", sortAllByAmount(server));
        for (const Typed &typed : kTyped)
            both("detailsKeystroke/" + typedLabel(typed), keystroke(server, typed));
        both("detailsChart/months", chart(server, false));
        both("detailsChart/days", chart(server, true));
        registerWholeAndRaw("detailsOwedCustomers" + where, [server]() -> Database & { return shop(server).db; },
                            owedCustomers(server), [server](benchmark::State &state) {
                                state.counters["rows"] = shop(server).window.owedCustomers()->customers().recordCount();
                            });
        both("detailsOwedLinesOfACustomer", owedLinesOfACustomer(server));
    }
    // The first "全部记录" of a run, beside the least any program reads for it knowing nothing:
    // every key in date order and the sums, on a connection that has read them before.
    const Interaction first = firstAllRecords();
    benchmark::RegisterBenchmark("whole/detailsAllRecordsFirstOfRun/100k", [first](benchmark::State &state) {
        shopFile();
        runInteraction(state, first);
        state.counters["rows"] = freshShop()->data.salesQuery.recordCount();
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("raw/detailsAllRecordsFirstOfRun/100k", [](benchmark::State &state) {
        runReplay(state, shop().db,
                  statements({"select ID from data1 order by day1, ID",
                              "select sum([3]), sum([4]), sum([6]), sum(a5) from data1"}),
                  "first all records");
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    return true;
}();

} // namespace
