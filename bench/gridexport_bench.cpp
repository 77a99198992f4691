// Exporting the main grid of a shop of 100,000 stock rows: every row to an Excel workbook (.xlsx)
// and 16,000 rows (about what the legacy worksheet holds: 16,384 sheet rows) to an .xls file, each beside writing the
// very bytes the export produced to a file of its own (written, flushed to the disk, renamed), so
// the difference is what building the sheet costs.
// Run with --benchmark_filter=export --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
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

// Opens nothing: the measurement ends when the file is in place.
class QuietDesktop : public Desktop {
public:
    bool openUrl(const QUrl &) override { return true; }
    bool startProgram(const QStringList &) override { return true; }
    QString desktopFolder() const override { return {}; }
};

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2014, 7, 29), QTime(10, 0)); }
};

struct ExportShop : BenchContext<SilentMessages, FixedClock, QuietDesktop> {
    Grid grid;

    explicit ExportShop(const QString &file) : BenchContext(file), grid(data.stockQuery, StockQueryView::gridColumns()) {}

    // The main grid listing `rows` stock rows.
    void list(int rows)
    {
        routines::open(data.stockQuery,
                       Statement(QStringLiteral("select * from data order by ID limit ?"), {rows}));
    }
};

ExportShop &shop()
{
    static ExportShop instance(indexedShop({100000, 0}));
    return instance;
}

QString target(const char *suffix)
{
    return shop().config.filePath(QStringLiteral("导出") + QLatin1String(suffix));
}

void exportGrid(benchmark::State &state, const char *suffix, int rows)
{
    ExportShop &s = shop();
    s.list(rows);
    ExportRequest request;
    request.title = QStringLiteral("商品进货统计报表");
    request.userName = s.ctx.session.userName;
    request.showProgress = false;
    const QString file = target(suffix);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(file);
        state.ResumeTiming();
        if (!GridExport(s.ctx).exportTo(s.grid, request, file))
            state.SkipWithError("the export failed");
    }
    state.counters["rows"] = rows;
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
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
