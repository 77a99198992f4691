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
#include "benchserver.h"
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
#include <fstream>
#include <memory>

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
    explicit Shop(const QString &shopFile) : BenchContext(shopFile) { start(); }
    explicit Shop(const ServerAddress &server) : BenchContext(server) { start(); }

    void start()
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

void registerPair(const std::string &name, const Place &place, const ShopInteraction &interaction, bool reportPeak = false)
{
    const Interaction measured = at(place, interaction);
    registerWholeAndRaw(
        name + "/" + place.label(), [place]() -> Database & { return shopDatabase(place); }, measured,
        [place, measured, reportPeak](benchmark::State &state) {
            Shop &s = shop(place);
            state.counters["rows"] = s.data.stockQuery.recordCount();
            if (!reportPeak)
                return;
            s.settle();
            resetPeakMemory();
            measured.prepare();
            measured.act();
            state.counters["peak_MB"] = peakMemoryMB();
            // What is resident right after: the program's own memory, and the pages of the database
            // file it reads through its memory map (the system's file cache, shared, given back
            // under pressure).
            state.counters["anon_MB"] = statusMB("RssAnon");
            state.counters["file_MB"] = statusMB("RssFile");
        });
}

// ---- the interactions ----

void zeroStockShown(Shop &s);
void emptyConditions(Shop &s);

void nothing(Shop &) {}

ShopInteraction loginClick()
{
    return {[](Shop &s) {
                s.windows->login->show();
                s.windows->login->userList()->setEditText(Session::superAdminName());
                s.windows->login->passwordField()->setText(QStringLiteral("927"));
            },
            [](Shop &s) { s.windows->login->loginButton()->click(); }};
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
        registerPair("allRecords", place, allRecordsClick(), true);
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
