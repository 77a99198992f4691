#include "sales/receiptjob.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace receipt {
namespace {

QFont receiptFont(bool title)
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(title ? 10 : 8);
    font.setBold(title);
    return font;
}

// Draws every character in its own cells of half the width of a Chinese character, squeezed
// when the font draws it wider, so the columns line up as in the fixed pitch of 宋体 whatever
// font stands in for it.
void drawInCells(QPainter &painter, const QFontMetrics &metrics, const QString &text, int baseline)
{
    const qreal cellWidth = metrics.horizontalAdvance(QStringLiteral("一")) / 2.0;
    for (const Cell &cell : cells(text)) {
        const qreal room = cell.width * cellWidth;
        const qreal advance = metrics.horizontalAdvance(cell.character);
        painter.save();
        painter.translate(cell.column * cellWidth, baseline);
        if (advance > room)
            painter.scale(room / advance, 1);
        painter.drawText(0, 0, cell.character);
        painter.restore();
    }
}

void paint(QPrinter &printer, const QList<Line> &lines)
{
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    const int pageHeight = printer.height();
    int pageTop = 0; // the receipt's y at the top of the current page
    for (const Line &line : lines) {
        const QFont font = receiptFont(line.title);
        const QFontMetrics metrics(font, &printer);
        if (line.y - pageTop + metrics.height() > pageHeight && line.y > pageTop) {
            printer.newPage();
            pageTop = line.y;
        }
        painter.setFont(font);
        drawInCells(painter, metrics, line.text, line.y - pageTop + metrics.ascent());
    }
}

} // namespace

double defaultPaperWidthMm()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return kFallbackPaperWidthMm;
    const double width = printer.defaultPageSize().size(QPageSize::Millimeter).width();
    return width > 0 ? width : kFallbackPaperWidthMm;
}

Printing::Job job(const QList<Line> &lines, double paperWidthMm)
{
    const QPageSize paper(QSizeF(paperWidthMm, kPaperLengthMm), QPageSize::Millimeter, QStringLiteral("POS小票"),
                          QPageSize::ExactMatch);
    Printing::Job job;
    job.name = QStringLiteral("POS小票");
    job.layout = QPageLayout(paper, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    job.resolution = kResolution;
    job.paint = [lines](QPrinter &printer) { paint(printer, lines); };
    return job;
}

} // namespace receipt
