// "Excel自动导入" of a workbook of 100,000 stock rows into an empty shop database, clicked in the
// import window until its result is shown ("whole/import…/100k"): the reading process reads the
// worksheet, the program checks and converts every value and inserts all rows in one transaction.
// Beside it ("raw/import…/100k"), plain SQLite inserts the same rows in one transaction into the
// same kind of file, with the same pragmas, from values prepared in memory beforehand. Every run
// starts from the same empty shop. After the timed runs one more import reports the program's
// peak memory ("peak_MB") and the reading process's ("reader_peak_MB").
// Run with --benchmark_filter=import --benchmark_enable_random_interleaving=true.
// The import's write side runs on the benchmark's PostgreSQL server too ("…/100k-server"): the
// rows, read beforehand, checked, converted and inserted into an empty shop on the server, beside
// libpq sending the statements the program sent, with the same values, to another empty shop.
#include "benchcontext.h"
#include "peakmemory.h"
#include "benchserver.h"
#include "rawreplay.h"
#include "shopgenerator.h"

#include "common/clock.h"
#include "common/messages.h"
#include "data/database.h"
#include "stock/excelimportwindow.h"
#include "stock/stockimport.h"
#include "stock/workbookreader.h"
#include "workbooks/readerprocess.h"
#include "support/privatepostgres.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <xlsxwriter.h>

#include <fstream>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kRows = 100000;
const char *const kTextColumns[] = {"a", "b", "c", "d", "e", "f", "g"};
const char *const kNumberColumns[] = {"1", "2", "3", "4", "5", "6", "7", "8"};

// One stock row as the workbook holds it.
struct Row {
    QByteArray texts[7]; // a b c d e f g, UTF-8
    double numbers[8];   // 1 … 8
    QByteArray remark;   // z
    QDate day;           // day1
};

// The stock rows of a generated shop of kRows rows (no sale lines).
const std::vector<Row> &rows()
{
    static const std::vector<Row> all = [] {
        std::vector<Row> result;
        Database shop(cachedShop(ShopSize{kRows, 0}));
        shop.open();
        shop.query(Statement("select a,b,c,d,e,f,g,[1],[2],[3],[4],[5],[6],[7],[8],z,day1 from data order by ID"),
                   [&](const ResultRow &row) {
                       auto bytes = [&](int i) {
                           const std::string_view t = row.utf8(i);
                           return QByteArray(t.data(), qsizetype(t.size()));
                       };
                       Row r;
                       for (int i = 0; i < 7; ++i)
                           r.texts[i] = bytes(i);
                       for (int i = 0; i < 8; ++i)
                           r.numbers[i] = row.real(7 + i);
                       r.remark = bytes(15);
                       r.day = QDate::fromString(row.text(16), Qt::ISODate);
                       result.push_back(std::move(r));
                   });
        return result;
    }();
    return all;
}

QByteArray csvField(const QByteArray &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n'))
        return text;
    QByteArray quoted = text;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

// The rows as a UTF-8 .csv, as Excel's "CSV UTF-8" writes them.
QString csvWorkbook()
{
    const QString file = QDir(shopCacheFolder()).filePath(QStringLiteral("import-%1.csv").arg(kRows));
    if (QFile::exists(file))
        return file;
    QByteArray out = stockimport::sheetColumns().join(QLatin1Char(',')).toUtf8() + "\r\n";
    for (const Row &r : rows()) {
        for (const QByteArray &t : r.texts)
            out += csvField(t) + ',';
        for (double n : r.numbers)
            out += QByteArray::number(n, 'g', 15) + ',';
        out += csvField(r.remark) + ',' + r.day.toString(Qt::ISODate).toUtf8() + "\r\n";
    }
    QFile f(file + QStringLiteral(".part"));
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.flush())
        throw std::runtime_error("cannot write the csv workbook");
    f.close();
    if (!QFile::rename(f.fileName(), file))
        throw std::runtime_error("cannot name the csv workbook");
    return file;
}

// The rows as an .xlsx with the worksheet pemrod, dates as date cells.
QString xlsxWorkbook()
{
    const QString file = QDir(shopCacheFolder()).filePath(QStringLiteral("import-%1.xlsx").arg(kRows));
    if (QFile::exists(file))
        return file;
    const QByteArray partial = QFile::encodeName(file + QStringLiteral(".part.xlsx"));
    lxw_workbook *book = workbook_new(partial.constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, "pemrod");
    lxw_format *dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    const QStringList header = stockimport::sheetColumns();
    for (int c = 0; c < header.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), header[c].toUtf8().constData(), nullptr);
    lxw_row_t r = 1;
    for (const Row &row : rows()) {
        lxw_col_t c = 0;
        for (const QByteArray &t : row.texts)
            worksheet_write_string(sheet, r, c++, t.constData(), nullptr);
        for (double n : row.numbers)
            worksheet_write_number(sheet, r, c++, n, nullptr);
        worksheet_write_string(sheet, r, c++, row.remark.constData(), nullptr);
        lxw_datetime day = {row.day.year(), row.day.month(), row.day.day(), 0, 0, 0};
        worksheet_write_datetime(sheet, r, c, &day, dateFormat);
        ++r;
    }
    if (workbook_close(book) != LXW_NO_ERROR || !QFile::rename(QFile::decodeName(partial), file))
        throw std::runtime_error("cannot write the xlsx workbook");
    return file;
}

// An empty shop database; every run copies it to the target file first.
QString emptyShop()
{
    static const QString file = [] {
        const QString f = QDir(shopCacheFolder()).filePath(QStringLiteral("import-empty-shop.db"));
        QFile::remove(f);
        Database db(f);
        db.create();
        return f;
    }();
    return file;
}

// The runs' databases, in a folder of this process's own.
const QTemporaryDir &runFolder()
{
    static const QTemporaryDir folder;
    return folder;
}

QString freshTarget()
{
    const QString target = runFolder().filePath(QStringLiteral("import-target.db"));
    QFile::remove(target);
    if (!QFile::copy(emptyShop(), target))
        throw std::runtime_error("cannot copy the empty shop");
    return target;
}

template <class Where>
void checkCount(const Where &target, benchmark::State &state)
{
    Database db(target);
    db.open();
    const int count = db.scalar(Statement("select count(*) from data")).toInt();
    if (count != kRows)
        state.SkipWithError("not every row arrived");
}

// Plain SQLite: the rows, already in memory as UTF-8 texts and doubles, bound to one prepared
// INSERT and stepped in one transaction, with the pragmas the program's connection uses.
void rawSqliteInsert(benchmark::State &state)
{
    const std::vector<Row> &all = rows();
    QString target;
    for (auto _ : state) {
        state.PauseTiming();
        target = freshTarget();
        state.ResumeTiming();
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(target).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO data ([a],[b],[c],[d],[e],[f],[g],[1],[2],[3],[4],[5],[6],[7],[8],[z],[day1]) "
                           "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                           -1, &stmt, nullptr);
        for (const Row &r : all) {
            int i = 1;
            for (const QByteArray &t : r.texts)
                sqlite3_bind_text(stmt, i++, t.constData(), int(t.size()), SQLITE_STATIC);
            for (double n : r.numbers)
                sqlite3_bind_double(stmt, i++, n);
            sqlite3_bind_text(stmt, i++, r.remark.constData(), int(r.remark.size()), SQLITE_STATIC);
            const QByteArray day = r.day.toString(Qt::ISODate).toUtf8();
            sqlite3_bind_text(stmt, i, day.constData(), int(day.size()), SQLITE_TRANSIENT);
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    checkCount(target, state);
    state.counters["rows"] = kRows;
}

// The import window's messages: the result it shows is kept, nothing waits for a person.
class ImportMessages : public Messages {
public:
    void info(const QString &text) override { shown = text; }
    void warning(const QString &text) override { shown = text; }
    bool confirmOkCancel(const QString &, const QString &) override { return true; }
    bool confirmYesNo(const QString &, const QString &) override { return true; }
    void error(const QString &text) override { shown = text; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString shown;
};

// The import window on a shop of its own; the rows go into another database file, chosen in the
// window as a person chooses it.
struct ImportShop : BenchContext<ImportMessages, SystemClock> {
    ExcelImportWindow window;
    ImportShop() : BenchContext(shopFile()), window(ctx) { window.show(); }

    static QString shopFile()
    {
        const QString file = runFolder().filePath(QStringLiteral("shop.db"));
        QFile::remove(file);
        QFile::copy(emptyShop(), file);
        return file;
    }
};

ImportShop &importShop()
{
    // Never destroyed: the window must not outlive the application object at exit.
    static ImportShop *shop = new ImportShop;
    return *shop;
}

// "Excel自动导入" clicked with the workbook and a fresh empty database chosen, until the window
// shows its result.
Interaction importThroughWindow(const std::function<QString()> &workbookFile)
{
    return {[] {
                ImportShop &s = importShop();
                s.window.databasePath()->setText(freshTarget());
                s.messages.shown.clear();
            },
            [workbookFile] {
                ImportShop &s = importShop();
                s.window.workbookPath()->setText(workbookFile());
                s.window.importButton()->click();
                const QString expected = QStringLiteral("共导入 %1 条记录").arg(kRows);
                return s.messages.shown.contains(expected) ? QString() : s.messages.shown;
            }};
}

// The timed imports, then one more whose peak memory is reported: the program's (its peak resident
// memory, reset first) and the reading process's (the largest of the readers that ran).
void wholeImport(benchmark::State &state, const std::function<QString()> &workbookFile)
{
    const Interaction import = importThroughWindow(workbookFile);
    runInteraction(state, import);
    import.prepare();
    resetPeakMemory();
    if (const QString problem = import.act(); !problem.isEmpty())
        state.SkipWithError(problem.toStdString().c_str());
    state.counters["peak_MB"] = statusMB("VmHWM");
    rusage readers{};
    getrusage(RUSAGE_CHILDREN, &readers);
    state.counters["reader_peak_MB"] = double(readers.ru_maxrss) / 1024;
    checkCount(runFolder().filePath(QStringLiteral("import-target.db")), state);
    state.counters["rows"] = kRows;
}

const bool registeredWholeAndRaw = [] {
    const std::pair<const char *, QString (*)()> workbooks[] = {{"importXlsx/100k", xlsxWorkbook},
                                                                {"importCsv/100k", csvWorkbook}};
    for (const auto &[name, file] : workbooks) {
        benchmark::RegisterBenchmark((std::string("whole/") + name).c_str(),
                                     [file = file](benchmark::State &state) { wholeImport(state, file); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(5);
        benchmark::RegisterBenchmark((std::string("raw/") + name).c_str(), rawSqliteInsert)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(5);
    }
    return true;
}();

// Keeps the rows a reader hands over, or only counts them.
struct RowKeeper : SheetReceiver {
    bool keep = true;
    QDate origin;
    std::vector<std::pair<size_t, SheetRow>> rows;
    size_t count = 0;
    void begin(const QString &, const QDate &dateOrigin) override { origin = dateOrigin; }
    void row(size_t index, const SheetRow &cells) override
    {
        ++count;
        if (keep)
            rows.emplace_back(index, cells);
    }
};

// The rows of the .xlsx, read once.
const RowKeeper &readRows()
{
    static const RowKeeper read = [] {
        RowKeeper keeper;
        workbook::readSheet(xlsxWorkbook(), stockimport::sheetName(), keeper);
        return keeper;
    }();
    return read;
}

// The import of the rows read beforehand into `db`: they are checked, converted and inserted.
void importReadRows(Database &db)
{
    const RowKeeper &read = readRows();
    benchmark::DoNotOptimize(stockimport::appendRows(db, [&](SheetReceiver &receiver) {
        receiver.begin(stockimport::sheetName(), read.origin);
        for (const auto &[index, cells] : read.rows)
            receiver.row(index, cells);
    }));
}

// The import's own share: the rows of the .xlsx, read beforehand, checked, converted and inserted.
void programImportReadRows(benchmark::State &state)
{
    readRows();
    QString target;
    for (auto _ : state) {
        state.PauseTiming();
        target = freshTarget();
        state.ResumeTiming();
        Database db(target);
        db.open();
        importReadRows(db);
    }
    checkCount(target, state);
    state.counters["rows"] = kRows;
}

// ---- on the server ----

// An empty shop database on the server, made once; every run copies it, as the file's runs copy
// theirs. The name of the copy.
QString freshServerTarget()
{
    PrivatePostgres &pg = benchServer();
    static const QString empty = [&] {
        const QString name = pg.newDatabase();
        Database db(ServerAddress{pg.conninfo(name)});
        db.create();
        return name;
    }();
    return pg.newDatabase(empty);
}

// Runs `write` on a fresh empty shop on the server in every iteration, timed, and checks that
// every row arrived; the shop is dropped afterwards.
void onFreshServerShops(benchmark::State &state, const std::function<void(const QString &conninfo)> &write)
{
    PrivatePostgres &pg = benchServer();
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = freshServerTarget();
        state.ResumeTiming();
        write(pg.conninfo(target));
        state.PauseTiming();
        checkCount(ServerAddress{pg.conninfo(target)}, state);
        dropServerDatabase(target);
        state.ResumeTiming();
    }
    state.counters["rows"] = kRows;
}

void programImportReadRowsToServer(benchmark::State &state)
{
    readRows();
    onFreshServerShops(state, [](const QString &conninfo) {
        Database db(ServerAddress{conninfo});
        db.open();
        importReadRows(db);
    });
}

// What the program's connection sent for the import, recorded from an import into an empty shop.
const std::vector<Recorded> &importStatements()
{
    static const std::vector<Recorded> statements = [] {
        const QString target = freshServerTarget();
        std::vector<Recorded> recorded;
        {
            Database db(ServerAddress{benchServer().conninfo(target)});
            db.open();
            StatementLog log(db);
            importReadRows(db);
            recorded = std::move(log.statements);
        }
        dropServerDatabase(target);
        return recorded;
    }();
    return statements;
}

void rawLibpqInsert(benchmark::State &state)
{
    const std::vector<Recorded> &statements = importStatements();
    onFreshServerShops(state, [&](const QString &conninfo) { RawReplay::onServer(conninfo)->run(statements); });
    state.counters["statements"] = double(statements.size());
}

// Reading alone, for the share of each format.
void readOnly(benchmark::State &state, const QString &file)
{
    for (auto _ : state) {
        RowKeeper counter;
        counter.keep = false;
        workbook::readSheet(file, stockimport::sheetName(), counter);
        benchmark::DoNotOptimize(counter.count);
    }
}

void readCsv(benchmark::State &state)
{
    readOnly(state, csvWorkbook());
}

void readXlsx(benchmark::State &state)
{
    readOnly(state, xlsxWorkbook());
}

} // namespace

BENCHMARK(programImportReadRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(readCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(readXlsx)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

namespace {

const bool registeredOnServer = [] {
    if (!serverWanted())
        return false;
    benchmark::RegisterBenchmark("whole/importReadRows/100k-server", programImportReadRowsToServer)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("raw/importReadRows/100k-server", rawLibpqInsert)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    return true;
}();

} // namespace
