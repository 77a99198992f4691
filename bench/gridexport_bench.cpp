// Exporting the main grid of a shop of 100,000 stock rows: every row to an Excel workbook (.xlsx)
// and 16,000 rows (about what the legacy worksheet holds: 16,384 sheet rows) to an .xls file, each beside writing the
// very bytes the export produced to a file of its own (written, flushed to the disk, renamed), so
// the difference is what building the sheet costs. On the shop copied into the benchmark's
// PostgreSQL server ("…/100k-server") the rows are listed and exported, beside libpq replaying the
// statements that ran with the same values (the export itself reads only the listing).
// Run with --benchmark_filter=export --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
#include "benchdoubles.h"
#include "benchserver.h"
#include "rawreplay.h"
#include "shopgenerator.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/desktop.h"
#include "common/layoutstore.h"
#include "common/messages.h"
#include "common/printing.h"
#include "common/replacingfile.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "stock/gridexport/gridexport.h"
#include "stock/stockqueryview.h"
#include "widgets/grid.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class SilentMessages : public DialogMessages {
public:
    void error(const QString &text) override { qFatal("%s", qPrintable(text)); }
    void warning(const QString &text) override { qFatal("%s", qPrintable(text)); }
};

struct ExportShop : BenchContext<SilentMessages, FixedClock, QuietDesktop> {
    Grid grid;
    int listed = -1;

    template <class Where>
    explicit ExportShop(const Where &where) : BenchContext(where), grid(data.stockQuery, StockQueryView::gridColumns()) {}

    // The main grid listing `rows` stock rows.
    void list(int rows)
    {
        routines::open(data.stockQuery,
                       Statement(QStringLiteral("select * from data order by ID limit ?"), {rows}));
        listed = rows;
    }
};

// The shop in its file, or copied into the benchmark's server.
ExportShop &shop(bool server = false)
{
    // Never destroyed: the grid must not outlive the application object at exit.
    if (server) {
        static ExportShop *onServer = new ExportShop(ServerAddress{serverShop(indexedShop({100000, 0}))});
        return *onServer;
    }
    static ExportShop *inFile = new ExportShop(indexedShop({100000, 0}));
    return *inFile;
}

QString target(const char *suffix, bool server = false)
{
    return shop(server).config.filePath(QStringLiteral("导出") + QLatin1String(suffix));
}

// The grid listing `rows` rows exported to a new file. The export reads the rows as the listing
// holds them, not the database: `withListing` times the listing before it, so a shop on a server
// is measured with what it reads; otherwise the exports follow one another on the same listing.
Interaction exportTo(bool server, const char *suffix, int rows, bool withListing)
{
    return {[=] {
                ExportShop &s = shop(server);
                if (!withListing && s.listed != rows)
                    s.list(rows);
                QFile::remove(target(suffix, server));
            },
            [=] {
                ExportShop &s = shop(server);
                if (withListing)
                    s.list(rows);
                ExportRequest request;
                request.title = QStringLiteral("商品进货统计报表");
                request.userName = s.ctx.session.userName;
                request.showProgress = false;
                return GridExport(s.ctx).exportTo(s.grid, request, target(suffix, server))
                           ? QString()
                           : QStringLiteral("the export failed");
            }};
}

void exportGrid(benchmark::State &state, const char *suffix, int rows)
{
    shop().list(rows);
    runInteraction(state, exportTo(false, suffix, rows, false));
    state.counters["rows"] = rows;
    state.counters["MB"] = double(QFileInfo(target(suffix)).size()) / 1e6;
}

// The same bytes written as the export writes them: a temporary file beside the target, flushed to
// the disk, renamed.
void writeSameBytes(benchmark::State &state, const char *suffix, int rows)
{
    ExportShop &s = shop();
    const QString file = target(suffix);
    if (!QFile::exists(file)) {
        s.list(rows);
        ExportRequest request;
        request.showProgress = false;
        GridExport(s.ctx).exportTo(s.grid, request, file);
    }
    QFile made(file);
    made.open(QIODevice::ReadOnly);
    const QByteArray bytes = made.readAll();
    const QString copy = file + QStringLiteral(".copy");
    for (auto _ : state) {
        ReplacingFile out(copy);
        if (!out.create() || !out.write(bytes) || !out.commit())
            state.SkipWithError("the write failed");
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

void exportXlsx(benchmark::State &state) { exportGrid(state, ".xlsx", 100000); }
void exportXlsxRawWrite(benchmark::State &state) { writeSameBytes(state, ".xlsx", 100000); }
void exportXls(benchmark::State &state) { exportGrid(state, ".xls", 16000); }
void exportXlsRawWrite(benchmark::State &state) { writeSameBytes(state, ".xls", 16000); }

} // namespace

BENCHMARK(exportXlsx)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(exportXlsxRawWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(exportXls)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(exportXlsRawWrite)->Unit(benchmark::kMillisecond)->Iterations(5);

namespace {

const bool registeredOnServer = [] {
    if (!serverWanted())
        return false;
    const auto database = []() -> Database & { return shop(true).db; };
    const std::pair<const char *, int> exports[] = {{".xlsx", 100000}, {".xls", 16000}};
    for (const auto &[suffix, rows] : exports) {
        registerWholeAndRaw(std::string("listAndExport") + suffix + "/100k-server", database, exportTo(true, suffix, rows, true),
                            [rows = rows](benchmark::State &state) { state.counters["rows"] = rows; });
    }
    return true;
}();

} // namespace
