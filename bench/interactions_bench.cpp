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
#include "paintwatch.h"
#include "benchserver.h"
#include "peakmemory.h"
#include "rawreplay.h"
#include "shopgenerator.h"

#include "app/firstpainttrace.h"
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
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
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

// The program with its whole window set on one shop file, logged in, the main window shown.
struct Shop : BenchContext<BenchMessages, SystemClock> {
    std::unique_ptr<WindowSet> windows;
    PaintWatch paints;
    explicit Shop(const QString &shopFile, bool loggedIn = true) : BenchContext(shopFile) { start(loggedIn); }
    explicit Shop(const ServerAddress &server) : BenchContext(server) { start(true); }

    void start(bool loggedIn)
    {
        collation::prepare(); // as the program does at start
        windows = createWindowSet(ctx, [] {});
        main().setLoginGateEnabled(false);
        main().resize(1024, 700);
        main().show();
        grid()->view()->viewport()->installEventFilter(&paints);
        settle();
        if (loggedIn)
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
        fillLogin();
        windows->login->loginButton()->click();
    }
    void fillLogin()
    {
        LoginDialog *login = windows->login;
        login->show();
        login->userList()->setEditText(Session::superAdminName());
        login->passwordField()->setText(QStringLiteral("927"));
    }
};

Shop &shop(const Place &place)
{
    // Never destroyed: the windows must not outlive the application object at exit.
    static Shop *shops[std::size(kSizes)][2] = {};
    Shop *&s = shops[place.size][place.server];
    if (!s)
        s = place.server ? new Shop(ServerAddress{serverShop(cachedShopUpToToday(kSizes[place.size].size))})
                         : new Shop(shopFile(kSizes[place.size].size));
    return *s;
}

// One interaction on a shop: what is set up first (not timed), and the action.
struct ShopInteraction {
    std::function<void(Shop &)> prepare;
    std::function<void(Shop &)> act;
};

// The interaction at a place, from a quiet window until the main grid has painted; a message the
// program showed meanwhile makes it a failure.
Interaction at(const Place &place, const ShopInteraction &interaction)
{
    return {[=] {
                Shop &s = shop(place);
                interaction.prepare(s);
                s.settle();
                s.startWatching();
            },
            [=] {
                Shop &s = shop(place);
                interaction.act(s);
                return s.untilPainted() ? s.messages.problem : QStringLiteral("the grid was not painted");
            }};
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

Database &shopDatabase(const Place &place)
{
    return shop(place).db;
}

// Every interaction also reports, from one more run of it, the peak resident memory of the process
// during that run and what is resident after it.
void registerPair(const std::string &name, const Place &place, const ShopInteraction &interaction)
{
    const Interaction measured = at(place, interaction);
    registerWholeAndRaw(
        name + "/" + place.label(), [place]() -> Database & { return shopDatabase(place); }, measured,
        [place, measured](benchmark::State &state) {
            Shop &s = shop(place);
            state.counters["rows"] = s.data.stockQuery.recordCount();
            s.settle();
            reportPeakMemory(state, measured);
        });
}

// ---- the interactions ----

void zeroStockShown(Shop &s);
void emptyConditions(Shop &s);

void nothing(Shop &) {}

ShopInteraction loginClick()
{
    return {[](Shop &s) { s.fillLogin(); }, [](Shop &s) { s.windows->login->loginButton()->click(); }};
}

ShopInteraction allRecordsClick()
{
    return {nothing, [](Shop &s) { s.child<QPushButton>("allRecords")->click(); }};
}

// The zero-stock switch, on and off in turn.
ShopInteraction zeroStockClick()
{
    return {nothing, [](Shop &s) { s.child<QCheckBox>("hideZeroStock")->click(); }};
}

// The last key of `typed` into "商品名称：", which held the text before it.
ShopInteraction keystroke(const std::function<QString(Shop &)> &typed)
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
ShopInteraction sortByName(bool afresh)
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
ShopInteraction saleClick()
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
                    qFatal("the stock row %lld to sell is not among the %d rows listed by %s", state->first,
                           stock.recordCount(), qPrintable(stock.statement().sql));
                stock.setCurrentRow(row);
                emit s.main().stockQuery()->rowClicked(row);
                emit s.main().stockQuery()->rowDoubleClicked(row);
                state->second = !state->second;
                s.child<NumberSpinBox>("quantity")->setText(state->second ? QStringLiteral("1") : QStringLiteral("-1"));
            },
            [](Shop &s) { s.child<QToolButton>("confirmSale")->click(); }};
}

// ---- in a fresh process ----
//
// What a shop keeper waits for when the program starts: nothing of it is in memory yet, only the
// system's file cache is warm (the shop file was read by the runs before).

// A process of this benchmark's own, started with `arguments`, with the trace of first paints in
// `trace`; the moment it was started, on the monotonic clock, in nanoseconds.
qint64 monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Waits until a line "<name> <nanoseconds>" is in the trace file (or the process ended, or 60 s
// passed); the nanoseconds, or -1.
qint64 tracedPaint(const QString &trace, const QString &name, QProcess &process)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        QFile file(trace);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() == 2 && parts[0] == name.toUtf8())
                    return parts[1].toLongLong();
            }
        }
        if (process.state() == QProcess::NotRunning)
            return -1;
        process.waitForFinished(1);
    }
    return -1;
}

// The working folder of a program started on the shop of `size`: its file as data.db, made once.
QString startFolder(const SizeCase &size)
{
    const QString folder = QFileInfo(shopFile(size.size)).dir().filePath(QStringLiteral("start-%1").arg(QLatin1String(size.label)));
    const QString file = QDir(folder).filePath(QStringLiteral("data.db"));
    if (!QFile::exists(file)) {
        QDir().mkpath(folder);
        if (!QFile::copy(shopFile(size.size), file + QStringLiteral(".part")) ||
            !QFile::rename(file + QStringLiteral(".part"), file))
            qFatal("cannot copy the shop into %s", qPrintable(folder));
    }
    return folder;
}

// Starts `program` with `arguments` in `folder` (offscreen, settings of its own) and times it from
// the start until the window traced as "login" first painted; the process is then killed.
void timeStartUntilLoginPainted(benchmark::State &state, const QString &program, const QStringList &arguments,
                                const QString &folder)
{
    for (auto _ : state) {
        QTemporaryDir home;
        const QString trace = home.filePath(QStringLiteral("paints"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.insert(QStringLiteral("TOLVANE_FIRST_PAINT_FILE"), trace);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 started = monotonicNow();
        process.start(program, arguments);
        const qint64 painted = tracedPaint(trace, QStringLiteral("login"), process);
        process.kill();
        process.waitForFinished(10000);
        if (painted < 0) {
            state.SkipWithError("the login window was not painted");
            break;
        }
        state.SetIterationTime(double(painted - started) / 1e9);
    }
}

// The floor of a start: a process of the same libraries that opens the shop file with plain SQLite,
// reads the user names the login window lists and paints a window holding them.
int bareStartChild(const QString &file)
{
    int argc = 1;
    char name[] = "tolvane_bench";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    QDialog window;
    auto *users = new QComboBox(&window);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "select name from users order by ID", -1, &statement, nullptr);
    while (statement && sqlite3_step(statement) == SQLITE_ROW)
        users->addItem(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    FirstPaintTrace::watch(&window, QStringLiteral("login"));
    window.show();
    return app.exec();
}

// The login click in a process started for it: the windows made and shown, the login window
// filled in, then the click timed until the main grid painted. Writes the milliseconds.
int freshLoginChild(const QString &file)
{
    int argc = 1;
    char name[] = "tolvane_bench";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    Shop s(file, false);
    s.fillLogin();
    s.settle();
    s.startWatching();
    QElapsedTimer clock;
    clock.start();
    s.windows->login->loginButton()->click();
    if (!s.untilPainted() || !s.messages.problem.isEmpty())
        return 1;
    std::printf("%.3f\n", double(clock.nsecsElapsed()) / 1e6);
    std::fflush(stdout);
    std::_Exit(0); // the time is taken: the windows need not be taken down
}

void registerFreshProcess(const Place &place)
{
    const SizeCase &size = kSizes[place.size];
    const std::string label = place.label();
    benchmark::RegisterBenchmark(("whole/startFresh/" + label).c_str(), [&size](benchmark::State &state) {
        timeStartUntilLoginPainted(state, QStringLiteral(TOLVANE_PROGRAM), {}, startFolder(size));
    })->Unit(benchmark::kMillisecond)->UseManualTime();
    benchmark::RegisterBenchmark(("raw/startFresh/" + label).c_str(), [&size](benchmark::State &state) {
        const QString folder = startFolder(size);
        timeStartUntilLoginPainted(state, QCoreApplication::applicationFilePath(),
                                   {QStringLiteral("--child=bare-start"), QDir(folder).filePath(QStringLiteral("data.db"))},
                                   folder);
    })->Unit(benchmark::kMillisecond)->UseManualTime();
    benchmark::RegisterBenchmark(("whole/loginFresh/" + label).c_str(), [&size](benchmark::State &state) {
        for (auto _ : state) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child=login"), QDir(startFolder(size)).filePath(QStringLiteral("data.db"))});
            bool ok = false;
            const double ms = child.waitForFinished(120000) ? child.readAllStandardOutput().trimmed().toDouble(&ok) : 0;
            if (!ok || child.exitCode() != 0) {
                state.SkipWithError("the login in a fresh process failed");
                break;
            }
            state.SetIterationTime(ms / 1000);
        }
    })->Unit(benchmark::kMillisecond)->UseManualTime();
    // Its floor: the login's statements on a connection opened for them, as a fresh process's is.
    benchmark::RegisterBenchmark(("raw/loginFresh/" + label).c_str(), [place, label](benchmark::State &state) {
        Database &db = shopDatabase(place);
        const std::vector<Recorded> &statements = recordedOnce("login/" + label, db, at(place, loginClick()));
        for (auto _ : state) {
            const auto started = monotonicNow();
            const std::unique_ptr<RawReplay> raw = RawReplay::beside(db);
            raw->run(statements);
            state.SetIterationTime(double(monotonicNow() - started) / 1e9);
        }
    })->Unit(benchmark::kMillisecond)->UseManualTime();
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
        if (!place.server)
            registerFreshProcess(place);
        registerPair("allRecords", place, allRecordsClick());
        registerPair("zeroStockSwitch", place, zeroStockClick());
        const std::pair<const char *, QString> typed[] = {{"n", QStringLiteral("n")},     {"nz", QStringLiteral("nz")},
                                                           {"nzk", QStringLiteral("nzk")}, {"y", QStringLiteral("y")},
                                                           {"yr", QStringLiteral("yr")},   {"yrf", QStringLiteral("yrf")}};
        for (const auto &[name, text] : typed)
            registerPair(std::string("keystroke-") + name, place, keystroke([text = text](Shop &) { return text; }));
        registerPair("keystroke-widest", place, keystroke([](Shop &s) { return widestLetter(s); }));
        registerPair("sortByName", place, sortByName(true));
        registerPair("sortByName-again", place, sortByName(false));
        const ShopInteraction sale = saleClick();
        registerPair("saleClick", place, sale);
        // The posting transaction alone, the floor of the sale click.
        const std::string name = std::string("postingTransaction/") + place.label();
        benchmark::RegisterBenchmark(("raw/" + name).c_str(), [=](benchmark::State &state) {
            Database &db = shopDatabase(place);
            runReplay(state, db, transactionOf(recordedOnce("saleClick/" + place.label(), db, at(place, sale))), name);
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    return true;
}();

} // namespace

int runInteractionsChild(int argc, char **argv)
{
    if (argc < 3)
        return -1;
    const QString mode = QString::fromUtf8(argv[1]);
    const QString file = QString::fromUtf8(argv[2]);
    if (mode == QStringLiteral("--child=login"))
        return freshLoginChild(file);
    if (mode == QStringLiteral("--child=bare-start"))
        return bareStartChild(file);
    return -1;
}
