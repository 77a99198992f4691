#include "stock/gridprint/gridprint.h"

#include "common/clock.h"
#include "stock/gridprint/gridpagepainter.h"
#include "stock/gridprint/printprogress.h"
#include "widgets/grid.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
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
    auto stopped = std::make_shared<bool>(false);
    job.paint = [shown, texts, stopped](QPrinter &printer) {
        *stopped = false;
        if (!shown)
            return;
        PrintProgress progress(QStringLiteral("正在排版打印页，请稍候……"));
        GridPagePainter painter(*shown, texts.before, texts.after);
        painter.paint(printer, [&progress](int done, int total) { return progress.advance(done, total); });
        *stopped = painter.stopped();
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
