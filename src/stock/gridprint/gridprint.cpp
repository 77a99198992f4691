#include "stock/gridprint/gridprint.h"

#include "common/clock.h"
#include "stock/gridprint/griddocument.h"
#include "stock/gridprint/printprogress.h"
#include "widgets/grid.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <memory>

namespace gridprint {

QString substituted(QString text, const QList<std::pair<QString, QString>> &substitutions)
{
    for (const auto &[placeholder, value] : substitutions)
        text.replace(placeholder, value);
    return text;
}

GridPrintRequest signedReport(const QString &name, const QString &heading, int blankLines, const QString &placeholder,
                              int trailingBlanks, const QString &userName, const QDate &today)
{
    GridPrintRequest request;
    request.name = name;
    request.before = {{heading, Qt::AlignHCenter, 14, true}};
    for (int i = 0; i < blankLines; ++i)
        request.before.append(PrintText{});
    request.after = {{}, {placeholder + QString(trailingBlanks, QLatin1Char(' ')), Qt::AlignRight, 10}};
    request.substitutions = {
        {placeholder, QStringLiteral("制表人：%1    日期：%2").arg(userName, datetext::date(today))}};
    return request;
}

namespace {

// The whole document painted on the printer's pages, with the progress box: the rows copied and
// laid out, then the pages painted. False when the user stopped it; the job going to a printer or
// file is then abandoned where the engine allows it.
bool paintWhole(PagedDocument &document, QPrinter &printer)
{
    PrintProgress progress(QStringLiteral("正在排版打印页，请稍候……"));
    while (document.layOutMore(50)) {
        if (!progress.advance(int(document.stepsDone()), int(2 * document.stepsTotal())))
            return false;
    }
    if (!document.isComplete())
        return true; // the grid went away: nothing to print, nothing stopped
    QPainter painter(&printer);
    if (!painter.isActive())
        return true;
    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        // A page the printer cannot begin (its file cannot be written) ends the painting; the
        // caller finds the output incomplete.
        if (page > 0 && !printer.newPage())
            return true;
        document.paintPage(painter, page);
        if (!progress.advance(int(document.stepsTotal() + qint64(page + 1) * document.stepsTotal() / pages),
                              int(2 * document.stepsTotal()))) {
            painter.end();
            if (printer.paintEngine() && printer.paintEngine()->type() != QPaintEngine::Picture)
                printer.abort();
            return false;
        }
    }
    return true;
}

} // namespace

Printing::Job job(const Grid &grid, const GridPrintRequest &request)
{
    GridPrintRequest texts = request;
    for (QList<PrintText> *list : {&texts.before, &texts.after}) {
        for (PrintText &line : *list)
            line.text = substituted(line.text, request.substitutions);
    }
    Printing::Job job;
    job.name = request.name;
    job.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                             QPageLayout::Millimeter);
    const QPointer<const Grid> shown(&grid);
    job.document = [shown, texts](QPrinter &printer) -> std::unique_ptr<PagedDocument> {
        if (!shown)
            return nullptr;
        return std::make_unique<GridDocument>(*shown, texts.before, texts.after, printer);
    };
    auto stopped = std::make_shared<bool>(false);
    job.paint = [shown, texts, stopped](QPrinter &printer) {
        *stopped = false;
        if (!shown)
            return;
        GridDocument document(*shown, texts.before, texts.after, printer);
        *stopped = !paintWhole(document, printer);
    };
    job.stopped = [stopped] { return *stopped; };
    return job;
}

void preview(Printing &printing, Messages &messages, const Grid &grid, const GridPrintRequest &request)
{
    if (const auto printed = printing.preview(job(grid, request)))
        Printing::report(messages, request.name, *printed);
}

} // namespace gridprint
