// Whole interactions through the real windows, offscreen, on shops of 10,000 and 100,000 stock
// rows (and 1,000,000 with TOLVANE_BENCH_BIG=1) with 1,000,000 sale lines whose dates run up to
// today: the login click, "全部记录", the zero-stock switch, one keystroke in "商品名称：", the
// title click "名 称" (the first after a listing, and the next ones) and the "销售确认" click. Each
// is timed from the field's new text or the click until the main grid has painted. Beside each, plain SQLite on a connection of its own runs
// the statements the interaction ran (recorded from the program's connection) on the same file.
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
#include "sales/salepanel.h"
#include "stock/stockqueryview.h"
#include "users/logindialog.h"
#include "widgets/groupedheader.h"
#include "widgets/grid.h"
#include "widgets/numberspinbox.h"

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

// The statements the program's connection starts, with their values, while recording.
class StatementLog {
public:
    explicit StatementLog(sqlite3 *db) : m_db(db)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &StatementLog::traced, this);
    }
    ~StatementLog() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }
    std::vector<std::string> statements;

private:
    static int traced(unsigned, void *self, void *stmt, void *)
    {
        char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(stmt));
        if (sql) {
            static_cast<StatementLog *>(self)->statements.emplace_back(sql);
            sqlite3_free(sql);
        }
        return 0;
    }
    sqlite3 *m_db;
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

    explicit Shop(const QString &shopFile) : BenchContext(shopFile), file(shopFile)
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

Shop &shop(int size)
{
    // Never destroyed: the windows must not outlive the application object at exit.
    static Shop *shops[std::size(kSizes)] = {};
    if (!shops[size])
        shops[size] = new Shop(shopFile(kSizes[size].size));
    return *shops[size];
}

// One interaction: what is set up first (not timed), the action, and whether it went as planned.
struct Interaction {
    std::function<void(Shop &)> prepare;
    std::function<void(Shop &)> act;
};

// Runs the interaction once more, recording the statements the program runs.
std::vector<std::string> statementsOf(Shop &s, const Interaction &interaction)
{
    interaction.prepare(s);
    s.settle();
    s.startWatching();
    StatementLog log(s.db.handle());
    interaction.act(s);
    s.untilPainted();
    return log.statements;
}

void runWhole(benchmark::State &state, int size, const Interaction &interaction, bool reportPeak)
{
    Shop &s = shop(size);
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
    long run(const std::vector<std::string> &statements)
    {
        long rows = 0;
        for (const std::string &sql : statements) {
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

void runRaw(benchmark::State &state, int size, const std::vector<std::string> &statements)
{
    // TOLVANE_BENCH_SQL=1 shows what each interaction runs.
    if (qEnvironmentVariableIntValue("TOLVANE_BENCH_SQL")) {
        std::fprintf(stderr, "%s:\n", kSizes[size].label);
        for (const std::string &sql : statements)
            std::fprintf(stderr, "  %s\n", sql.substr(0, 300).c_str());
    }
    RawConnection raw(shop(size).file);
    long rows = 0;
    for (auto _ : state)
        rows = raw.run(statements);
    state.counters["rows"] = double(rows);
    state.counters["statements"] = double(statements.size());
}

// The statements of an interaction, recorded once per shop, from its second run: the first may
// find the windows as another interaction left them (a sale into a listing the sale replaces).
const std::vector<std::string> &recorded(const std::string &key, int size, const Interaction &interaction)
{
    static std::map<std::string, std::vector<std::string>> cache;
    auto it = cache.find(key);
    if (it == cache.end()) {
        statementsOf(shop(size), interaction);
        it = cache.emplace(key, statementsOf(shop(size), interaction)).first;
    }
    return it->second;
}

// The statements between BEGIN and COMMIT: the writes of a posting.
std::vector<std::string> transactionOf(const std::vector<std::string> &statements)
{
    std::vector<std::string> writes;
    bool inside = false;
    for (const std::string &sql : statements) {
        if (sql.rfind("BEGIN", 0) == 0)
            inside = true;
        if (inside)
            writes.push_back(sql);
        if (sql == "COMMIT")
            inside = false;
    }
    return writes;
}

void registerPair(const std::string &name, int size, const Interaction &interaction, bool reportPeak = false)
{
    const std::string full = name + "/" + kSizes[size].label;
    benchmark::RegisterBenchmark(("whole/" + full).c_str(), [=](benchmark::State &state) {
        runWhole(state, size, interaction, reportPeak);
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("raw/" + full).c_str(), [=](benchmark::State &state) {
        runRaw(state, size, recorded(full, size, interaction));
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

// Sizes measured: 10k and 100k stock rows; 1M only when asked for.
std::vector<int> sizes()
{
    std::vector<int> wanted{0, 1};
    if (bigShopsWanted())
        wanted.push_back(2);
    return wanted;
}

const bool registered = [] {
    for (int size : sizes()) {
        registerPair("login", size, loginClick());
        registerPair("allRecords", size, allRecordsClick(), true);
        registerPair("zeroStockSwitch", size, zeroStockClick());
        const std::pair<const char *, QString> typed[] = {{"n", QStringLiteral("n")},     {"nz", QStringLiteral("nz")},
                                                           {"nzk", QStringLiteral("nzk")}, {"y", QStringLiteral("y")},
                                                           {"yr", QStringLiteral("yr")},   {"yrf", QStringLiteral("yrf")}};
        for (const auto &[name, text] : typed)
            registerPair(std::string("keystroke-") + name, size, keystroke([text = text](Shop &) { return text; }));
        registerPair("keystroke-widest", size, keystroke([](Shop &s) { return widestLetter(s); }));
        registerPair("sortByName", size, sortByName(true));
        registerPair("sortByName-again", size, sortByName(false));
        const Interaction sale = saleClick();
        registerPair("saleClick", size, sale);
        // The posting transaction alone, the floor of the sale click.
        const std::string name = std::string("postingTransaction/") + kSizes[size].label;
        benchmark::RegisterBenchmark(("raw/" + name).c_str(), [=](benchmark::State &state) {
            runRaw(state, size, transactionOf(recorded(std::string("saleClick/") + kSizes[size].label, size, sale)));
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    return true;
}();

} // namespace
