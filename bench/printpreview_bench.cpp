// Printing the main grid listing 51,021 stock rows of a shop of 100,000 (about 770 A4 pages): the
// print preview from the call until its first page is painted (and until a progress bar shows),
// and until its last page is laid out, with the peak memory of the process and what it still holds
// after the preview closed; the whole print into a PDF file; beside it, plain SQLite reading the
// same rows and QPainter drawing their texts in cells of one height on A4 pages of a PDF file,
// without the program's layout.
// Run with --benchmark_filter=printPreview --benchmark_enable_random_interleaving=true.
#include "benchcontext.h"
#include "benchdoubles.h"
#include "peakmemory.h"
#include "shopgenerator.h"

#include "common/clock.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/printing.h"
#include "data/routines.h"
#include "stock/gridprint/gridprint.h"
#include "stock/stockqueryview.h"
#include "widgets/datasetmodel.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"

#include <QApplication>
#include <QTableView>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <fstream>
#include <sqlite3.h>

namespace {

constexpr int kRows = 51021;

class SilentMessages : public DialogMessages {
public:
    void error(const QString &text) override { qFatal("%s", qPrintable(text)); }
    void warning(const QString &text) override { qFatal("%s", qPrintable(text)); }
    void info(const QString &) override {}
};

struct PrintShop : BenchContext<SilentMessages, FixedClock, QuietDesktop> {
    Grid grid;

    explicit PrintShop(const QString &file) : BenchContext(file), grid(data.stockQuery, StockQueryView::gridColumns())
    {
        grid.resize(1008, 585);
        grid.show();
        routines::open(data.stockQuery, Statement(QStringLiteral("select * from data order by ID limit ?"), {kRows}));
    }
    GridPrintRequest request() const
    {
        return gridprint::signedReport(QStringLiteral("商品进货统计报表"), QStringLiteral("商 品 进 货 统 计 报 表"), 2,
                                       QStringLiteral("%[Today1]"), 70, ctx.session.userName, clock.today());
    }
    QString pdf(const char *name) const { return config.filePath(QLatin1String(name)); }
};

PrintShop &shop()
{
    // Never destroyed: the grid must not outlive the application object at exit.
    static PrintShop *s = new PrintShop(indexedShop({100000, 0}));
    return *s;
}

int pdfPages(const QString &pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(60000);
    return QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
        .match(QString::fromUtf8(info.readAllStandardOutput()))
        .captured(1)
        .toInt();
}

// Watches the preview from the outside, as the user sees it: when a progress bar first shows,
// when its page view is first painted with a page in it, and when its last page is laid out; closes
// it at the first page, or with `whole` at the last.
class PreviewWatch : public QObject {
public:
    explicit PreviewWatch(bool whole) : m_whole(whole)
    {
        m_poll.setInterval(2);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QObject *pages = pageView();
            if (!pages || !laidOut(pages))
                return;
            wholeMs = clock.elapsed();
            m_poll.stop();
            close();
        });
        if (m_whole)
            m_poll.start();
        clock.start();
    }

    QElapsedTimer clock;
    qint64 progressMs = -1;
    qint64 firstPageMs = -1;
    qint64 wholeMs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && progressMs < 0 && qobject_cast<QProgressBar *>(watched))
            progressMs = clock.elapsed();
        if (event->type() == QEvent::Paint && firstPageMs < 0 && showsAPage(watched)) {
            // Timed once the paint is done and the window is back in its event loop.
            QTimer::singleShot(0, this, [this] {
                if (firstPageMs >= 0)
                    return;
                firstPageMs = clock.elapsed();
                if (!m_whole)
                    close();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void close()
    {
        if (auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            window->reject();
    }
    static QObject *pageView()
    {
        QWidget *window = QApplication::activeModalWidget();
        return window ? window->findChild<QObject *>(QStringLiteral("previewPages")) : nullptr;
    }
    static bool showsAPage(QObject *watched)
    {
        for (QObject *o = watched; o; o = o->parent()) {
            if (o->objectName() == QLatin1String("previewPages"))
                return pageCount(o) > 0;
        }
        return false;
    }
    static int pageCount(QObject *pages)
    {
        // Qt's own preview widget has every page once it has any.
        if (auto *qtPreview = qobject_cast<QPrintPreviewWidget *>(pages))
            return qtPreview->pageCount();
        return pages->property("pageCount").toInt();
    }
    static bool laidOut(QObject *pages)
    {
        if (qobject_cast<QPrintPreviewWidget *>(pages))
            return pageCount(pages) > 0;
        return pages->property("complete").toBool();
    }

    bool m_whole;
    QTimer m_poll;
};

// The preview of the whole listing until its first page is painted (or, `whole`, until its last
// page is laid out); the time is the iteration's.
void preview(benchmark::State &state, bool whole)
{
    PrintShop &s = shop();
    double peak = 0, kept = 0, before = 0, progress = 0;
    for (auto _ : state) {
        before = statusMB("RssAnon");
        resetPeakMemory();
        PreviewWatch watch(whole);
        qApp->installEventFilter(&watch);
        gridprint::preview(s.printing, s.messages, s.grid, s.request());
        qApp->removeEventFilter(&watch);
        const qint64 ms = whole ? watch.wholeMs : watch.firstPageMs;
        if (ms < 0) {
            state.SkipWithError("the preview showed no page");
            break;
        }
        state.SetIterationTime(double(ms) / 1000);
        peak = std::max(peak, statusMB("VmHWM"));
        kept = std::max(kept, statusMB("RssAnon") - before);
        progress = std::max(progress, double(watch.progressMs));
    }
    state.counters["rows"] = kRows;
    state.counters["progress_ms"] = progress;
    state.counters["peak_MB"] = peak;
    state.counters["kept_MB"] = kept;
    state.counters["before_MB"] = before;
}

void printPreviewFirstPage(benchmark::State &state) { preview(state, false); }
void printPreviewLastPage(benchmark::State &state) { preview(state, true); }

// The whole listing printed into a PDF file, as "打印" does with no printer installed.
void printPreviewWholePdf(benchmark::State &state)
{
    PrintShop &s = shop();
    const QString file = s.pdf("whole.pdf");
    double peak = 0;
    for (auto _ : state) {
        resetPeakMemory();
        if (const QString error = SystemPrinting::printToPdf(gridprint::job(s.grid, s.request()), file);
            !error.isEmpty()) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
        peak = std::max(peak, statusMB("VmHWM"));
    }
    state.counters["rows"] = kRows;
    state.counters["pages"] = pdfPages(file);
    state.counters["peak_MB"] = peak;
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}

// Plain SQLite reading the same rows and columns, and QPainter drawing each cell's frame and text
// on A4 pages of a PDF file in cells of the grid's widths fitted to the page and of one height, in
// the font size the print uses: no measuring, wrapping, shrinking or colours.
void printPreviewRawPdf(benchmark::State &state)
{
    PrintShop &s = shop();
    const QString file = s.pdf("raw.pdf");
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFileInfo(indexedShop({100000, 0})).absoluteFilePath().toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(db, "pragma mmap_size=1073741824", nullptr, nullptr, nullptr);
    const char *sql = "select a, b, c, d, [2], [1], [3], [5], [4], [6], [7], [8], day1, g, z from data order by ID limit ?";
    QList<double> widths;
    for (int column : s.grid.visibleColumns())
        widths << s.grid.header()->sectionSize(column);
    double gridWidth = 0;
    for (double w : widths)
        gridWidth += w;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                          QPageLayout::Millimeter));
        QPainter painter(&printer);
        const double scale = printer.width() / gridWidth;
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(int(QFontInfo(s.grid.view()->font()).pixelSize() * scale + 0.5));
        painter.setFont(font);
        const double height = QFontMetricsF(font, &printer).height() + 3 * scale;
        const int rowsPerPage = int(printer.height() / height) - 3;
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        sqlite3_bind_int(stmt, 1, kRows);
        int row = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            if (row > 0 && row % rowsPerPage == 0)
                printer.newPage();
            const double y = (row % rowsPerPage) * height;
            double x = 0;
            for (int c = 0; c < widths.size(); ++c) {
                const QRectF cell(x, y, widths[c] * scale, height);
                painter.drawRect(cell);
                painter.drawText(cell.adjusted(3 * scale, 0, -3 * scale, 0), Qt::AlignVCenter | Qt::AlignLeft,
                                 QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c))));
                x += cell.width();
            }
            ++row;
        }
        sqlite3_finalize(stmt);
        painter.end();
    }
    sqlite3_close(db);
    state.counters["rows"] = kRows;
    state.counters["pages"] = pdfPages(file);
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}

} // namespace

BENCHMARK(printPreviewFirstPage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(printPreviewLastPage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(printPreviewWholePdf)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(printPreviewRawPdf)->Unit(benchmark::kMillisecond)->Iterations(1);
