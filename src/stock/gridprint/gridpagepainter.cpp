#include "stock/gridprint/gridpagepainter.h"

#include "stock/gridprint/gridpagelayout.h"
#include "widgets/gridfooter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

GridPagePainter::GridPagePainter(const GridPageLayout &layout, QPainter &painter)
    : m_layout(layout), m_painter(painter)
{
}

void GridPagePainter::paint(int page)
{
    const GridPageLayout::Page &p = m_layout.pages().at(size_t(page));
    drawHeader(page + 1);
    if (p.before)
        drawTexts(m_layout.before());
    if (p.titles)
        drawTitles();
    const double bottom = m_layout.area().bottom();
    for (int row = p.firstRow; row < p.endRow; ++row) {
        // A row taller than a whole page is cut at its foot.
        drawRow(row, std::min(m_layout.rowHeight(row), bottom - m_y));
    }
    if (p.footer)
        drawFooter();
    if (p.after)
        drawTexts(m_layout.after());
}

void GridPagePainter::drawHeader(int number)
{
    const QRectF area = m_layout.area();
    const QFont font = m_layout.headerFont();
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, &m_layout.printer());
    const QRectF header(area.left(), area.top(), area.width(), metrics.height());
    m_painter.drawText(header, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Page. %1").arg(number));
    // The double line under the page number.
    QPen pen(Qt::black);
    pen.setWidthF(m_layout.points(0.5));
    m_painter.setPen(pen);
    const double first = header.bottom() + m_layout.points(2);
    const double second = first + m_layout.points(2);
    m_painter.drawLine(QPointF(area.left(), first), QPointF(area.right(), first));
    m_painter.drawLine(QPointF(area.left(), second), QPointF(area.right(), second));
    m_y = m_layout.contentTop();
}

void GridPagePainter::drawTexts(const QList<PrintText> &lines)
{
    const QRectF area = m_layout.area();
    m_painter.setPen(Qt::black);
    for (const PrintText &line : lines) {
        const QFont font = m_layout.textFont(line);
        const QFontMetricsF metrics(font, &m_layout.printer());
        m_painter.setFont(font);
        // Blanks count: a right-aligned text followed by blanks stands that far from the margin.
        const double width = metrics.horizontalAdvance(line.text);
        double x = area.left();
        if (line.alignment & Qt::AlignRight)
            x = area.right() - width;
        else if (line.alignment & Qt::AlignHCenter)
            x = area.left() + (area.width() - width) / 2;
        m_painter.drawText(QPointF(std::max(area.left(), x), m_y + metrics.ascent()), line.text);
        m_y += metrics.height();
    }
}

void GridPagePainter::drawCell(const QRectF &cell, const QString &text, Qt::Alignment alignment,
                               const QColor &background, const QColor &foreground, bool wrap)
{
    if (background.isValid())
        m_painter.fillRect(cell, background);
    QPen grid(QColor(0x80, 0x80, 0x80));
    grid.setWidthF(std::max(1.0, m_layout.scale() * 0.6));
    m_painter.setPen(grid);
    m_painter.drawRect(cell);
    m_painter.setPen(foreground.isValid() ? foreground : QColor(Qt::black));
    const double padding = m_layout.padding();
    const QRectF inner = cell.adjusted(padding, padding / 2, -padding, -padding / 2);
    if ((wrap && gridprint::canWrap(text)) ||
        QFontMetricsF(m_painter.font(), &m_layout.printer()).horizontalAdvance(text) <= inner.width()) {
        m_painter.drawText(inner, int(alignment) | (wrap ? Qt::TextWordWrap : 0), text);
        return;
    }
    // Too wide for its cell: smaller, or cut at its end with an ellipsis, as on the screen.
    const QFont font = m_painter.font();
    const FittedText fitted = fitFooterText(font, text, inner.width(), &m_layout.printer());
    m_painter.setFont(fitted.font);
    m_painter.drawText(inner, int(alignment), fitted.text);
    m_painter.setFont(font);
}

void GridPagePainter::drawTitles()
{
    m_painter.setFont(m_layout.cellFont());
    const QList<GridSheet::Column> &columns = m_layout.sheet().columns();
    const QColor background = m_layout.sheet().titleBackground();
    const double line = m_layout.lineHeight();
    const bool twoLevels = m_layout.sheet().titleLevels() == 2;
    const double top = m_y;
    const double lower = twoLevels ? top + line : top;
    for (int i = 0; i < columns.size(); ++i) {
        const GridSheet::Column &column = columns.at(i);
        const double x = m_layout.columnX(i);
        const double width = m_layout.columnWidth(i);
        if (!twoLevels || column.group.isEmpty()) {
            drawCell(QRectF(x, top, width, lower + line - top), column.title, Qt::AlignCenter, background, Qt::black,
                     false);
            continue;
        }
        drawCell(QRectF(x, lower, width, line), column.title, Qt::AlignCenter, background, Qt::black, false);
        // The upper title spans the neighbouring columns of its group; it is drawn at the first.
        if (i > 0 && columns.at(i - 1).group == column.group)
            continue;
        double groupWidth = width;
        for (int j = i + 1; j < columns.size() && columns.at(j).group == column.group; ++j)
            groupWidth += m_layout.columnWidth(j);
        drawCell(QRectF(x, top, groupWidth, line), column.group, Qt::AlignCenter, background, Qt::black, false);
    }
    m_y = lower + line;
}

void GridPagePainter::drawRow(int row, double height)
{
    m_painter.setFont(m_layout.cellFont());
    const GridSheet &sheet = m_layout.sheet();
    const QColor background = sheet.alternateBackground().isValid() && row % 2 == 1 ? sheet.alternateBackground()
                                                                                    : QColor();
    const QColor foreground = sheet.foreground(row);
    for (int c = 0; c < sheet.columns().size(); ++c) {
        drawCell(QRectF(m_layout.columnX(c), m_y, m_layout.columnWidth(c), height), sheet.cell(row, c).toString(),
                 sheet.columns().at(c).alignment, background, foreground, true);
    }
    m_y += height;
}

void GridPagePainter::drawFooter()
{
    m_painter.setFont(m_layout.cellFont());
    const GridSheet &sheet = m_layout.sheet();
    for (int c = 0; c < sheet.columns().size(); ++c) {
        drawCell(QRectF(m_layout.columnX(c), m_y, m_layout.columnWidth(c), m_layout.lineHeight()),
                 sheet.columns().at(c).footer, sheet.columns().at(c).footerAlignment, sheet.footerBackground(),
                 Qt::black, false);
    }
    m_y += m_layout.lineHeight();
}
