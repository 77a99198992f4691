#include "stock/gridprint/gridpagepainter.h"

#include "widgets/datasetmodel.h"
#include "widgets/grid.h"
#include "widgets/gridfooter.h"
#include "widgets/groupedheader.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QTableView>
#include <algorithm>

namespace {

// A grid printed on narrow paper shrinks to fit; on wide paper it grows, but no more than this.
constexpr double kLargestEnlargement = 1.5;

// A colour of the screen that would print dark (a dark skin) gives way to a light one.
QColor printable(const QColor &colour, const QColor &fallback)
{
    return colour.isValid() && colour.lightness() >= 160 ? colour : fallback;
}

// A text that can go on over several lines: it has a blank or a character of a script written
// without blanks (Chinese) to break at. A number, an order number or a telephone number has not:
// it is drawn whole in a smaller size instead, or visibly cut, never with digits silently lost.
bool canWrap(const QString &text)
{
    for (QChar c : text) {
        if (c.isSpace() || c.unicode() >= 0x2E80)
            return true;
    }
    return false;
}

} // namespace

GridPagePainter::GridPagePainter(const Grid &grid, QList<PrintText> before, QList<PrintText> after)
    : m_grid(grid), m_before(std::move(before)), m_after(std::move(after))
{
}

double GridPagePainter::points(double pt) const
{
    return pt * m_printer->resolution() / 72.0;
}

QFont GridPagePainter::textFont(const PrintText &line) const
{
    QFont font(line.family);
    font.setPixelSize(std::max(1, int(points(line.pointSize) + 0.5)));
    font.setBold(line.bold);
    return font;
}

bool GridPagePainter::hasFooter() const
{
    for (const GridColumn &c : m_grid.model()->columns()) {
        if (c.footer != GridColumn::Footer::None)
            return true;
    }
    return false;
}

int GridPagePainter::titleLevels() const
{
    for (const Column &c : m_columns) {
        if (!m_grid.model()->columns().at(c.model).group.isEmpty())
            return 2;
    }
    return 1;
}

int GridPagePainter::paint(QPrinter &printer, const Progress &progress)
{
    m_stopped = false;
    QPainter painter(&printer);
    if (!painter.isActive())
        return 0;
    m_printer = &printer;
    m_painter = &painter;
    m_area = QRectF(0, 0, printer.width(), printer.height());
    m_pages = 0;

    // The visible columns, their widths scaled so the grid fills the width of the page.
    const QTableView *view = m_grid.view();
    double gridWidth = 0;
    for (int column : m_grid.visibleColumns())
        gridWidth += m_grid.header()->sectionSize(column);
    const double natural = printer.resolution() / double(std::max(1, view->logicalDpiX()));
    m_scale = gridWidth > 0 ? std::min(m_area.width() / gridWidth, natural * kLargestEnlargement) : natural;
    m_columns.clear();
    double x = m_area.left();
    for (int column : m_grid.visibleColumns()) {
        Column c;
        c.model = column;
        c.x = x;
        c.width = m_grid.header()->sectionSize(column) * m_scale;
        c.alignment = m_grid.model()->columns().at(column).alignment;
        m_columns << c;
        x += c.width;
    }

    m_cellFont = QFont(QStringLiteral("Arial"));
    m_cellFont.setPixelSize(std::max(1, int(QFontInfo(view->font()).pixelSize() * m_scale + 0.5)));
    m_padding = 3 * m_scale;
    m_lineHeight = QFontMetricsF(m_cellFont, &printer).height() + m_padding;
    m_titleBackground = printable(m_grid.header()->palette().color(QPalette::Button), QColor(0xE8, 0xE8, 0xE8));
    m_footerBackground = printable(m_grid.footer()->palette().color(QPalette::Window), QColor(0xF4, 0xF4, 0xF4));
    m_alternateBackground = view->alternatingRowColors()
                                ? printable(view->palette().color(QPalette::AlternateBase), QColor(0xEE, 0xEE, 0xEE))
                                : QColor();

    startPage(false);
    drawTexts(m_before);
    if (!m_columns.isEmpty()) {
        drawTitles();
        const int rows = m_grid.model()->rowCount();
        for (int row = 0; row < rows; ++row) {
            const double height = rowHeight(row);
            if (m_y + height > m_area.bottom())
                newPage(true);
            // A row taller than a whole page is cut at its foot.
            drawRow(row, std::min(height, m_area.bottom() - m_y));
            if (progress && !progress(row + 1, rows)) {
                m_stopped = true;
                break;
            }
        }
        if (m_stopped) {
            // The pages of a preview are dropped by its caller; a job going to a printer or file
            // is abandoned where the engine allows it.
            painter.end();
            if (printer.paintEngine() && printer.paintEngine()->type() != QPaintEngine::Picture)
                printer.abort();
            return m_pages;
        }
        if (hasFooter()) {
            if (m_y + m_lineHeight > m_area.bottom())
                newPage(true);
            drawFooter();
        }
    }
    if (m_y + textsHeight(m_after) > m_area.bottom())
        newPage(false);
    drawTexts(m_after);
    painter.end();
    return m_pages;
}

void GridPagePainter::newPage(bool withTitles)
{
    m_printer->newPage();
    startPage(withTitles);
}

void GridPagePainter::startPage(bool withTitles)
{
    ++m_pages;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, int(points(10) + 0.5)));
    m_painter->setFont(font);
    m_painter->setPen(Qt::black);
    const QFontMetricsF metrics(font, m_printer);
    const QRectF header(m_area.left(), m_area.top(), m_area.width(), metrics.height());
    m_painter->drawText(header, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Page. %1").arg(m_pages));
    // The double line under the page number.
    QPen pen(Qt::black);
    pen.setWidthF(points(0.5));
    m_painter->setPen(pen);
    const double first = header.bottom() + points(2);
    m_painter->drawLine(QPointF(m_area.left(), first), QPointF(m_area.right(), first));
    m_painter->drawLine(QPointF(m_area.left(), first + points(2)), QPointF(m_area.right(), first + points(2)));
    m_y = first + points(2) + points(8);
    if (withTitles)
        drawTitles();
}

double GridPagePainter::textsHeight(const QList<PrintText> &lines) const
{
    double height = 0;
    for (const PrintText &line : lines)
        height += QFontMetricsF(textFont(line), m_printer).height();
    return height;
}

void GridPagePainter::drawTexts(const QList<PrintText> &lines)
{
    m_painter->setPen(Qt::black);
    for (const PrintText &line : lines) {
        const QFont font = textFont(line);
        const QFontMetricsF metrics(font, m_printer);
        m_painter->setFont(font);
        // Blanks count: a right-aligned text followed by blanks stands that far from the margin.
        const double width = metrics.horizontalAdvance(line.text);
        double x = m_area.left();
        if (line.alignment & Qt::AlignRight)
            x = m_area.right() - width;
        else if (line.alignment & Qt::AlignHCenter)
            x = m_area.left() + (m_area.width() - width) / 2;
        m_painter->drawText(QPointF(std::max(m_area.left(), x), m_y + metrics.ascent()), line.text);
        m_y += metrics.height();
    }
}

void GridPagePainter::drawCell(const QRectF &cell, const QString &text, Qt::Alignment alignment,
                               const QColor &background, const QColor &foreground, bool wrap)
{
    if (background.isValid())
        m_painter->fillRect(cell, background);
    QPen grid(QColor(0x80, 0x80, 0x80));
    grid.setWidthF(std::max(1.0, m_scale * 0.6));
    m_painter->setPen(grid);
    m_painter->drawRect(cell);
    m_painter->setPen(foreground.isValid() ? foreground : QColor(Qt::black));
    const QRectF inner = cell.adjusted(m_padding, m_padding / 2, -m_padding, -m_padding / 2);
    if ((wrap && canWrap(text)) || QFontMetricsF(m_painter->font(), m_printer).horizontalAdvance(text) <= inner.width()) {
        m_painter->drawText(inner, int(alignment) | (wrap ? Qt::TextWordWrap : 0), text);
        return;
    }
    // Too wide for its cell: smaller, or cut at its end with an ellipsis, as on the screen.
    const QFont font = m_painter->font();
    const FittedText fitted = fitFooterText(font, text, inner.width(), m_printer);
    m_painter->setFont(fitted.font);
    m_painter->drawText(inner, int(alignment), fitted.text);
    m_painter->setFont(font);
}

void GridPagePainter::drawTitles()
{
    m_painter->setFont(m_cellFont);
    const GridColumns &columns = m_grid.model()->columns();
    const bool twoLevels = titleLevels() == 2;
    const double top = m_y;
    const double lower = twoLevels ? top + m_lineHeight : top;
    for (int i = 0; i < m_columns.size(); ++i) {
        const Column &c = m_columns.at(i);
        const GridColumn &column = columns.at(c.model);
        if (!twoLevels || column.group.isEmpty()) {
            drawCell(QRectF(c.x, top, c.width, lower + m_lineHeight - top), column.title, Qt::AlignCenter,
                     m_titleBackground, Qt::black, false);
            continue;
        }
        drawCell(QRectF(c.x, lower, c.width, m_lineHeight), column.title, Qt::AlignCenter, m_titleBackground,
                 Qt::black, false);
        // The upper title spans the neighbouring columns of its group; it is drawn at the first.
        if (i > 0 && columns.at(m_columns.at(i - 1).model).group == column.group)
            continue;
        double width = c.width;
        for (int j = i + 1; j < m_columns.size() && columns.at(m_columns.at(j).model).group == column.group; ++j)
            width += m_columns.at(j).width;
        drawCell(QRectF(c.x, top, width, m_lineHeight), column.group, Qt::AlignCenter, m_titleBackground, Qt::black,
                 false);
    }
    m_y = lower + m_lineHeight;
}

double GridPagePainter::rowHeight(int row) const
{
    const QFontMetricsF metrics(m_cellFont, m_printer);
    double height = m_lineHeight;
    for (const Column &c : m_columns) {
        const QString text = m_grid.model()->displayText(row, c.model);
        const double room = c.width - 2 * m_padding;
        if (text.isEmpty() || !canWrap(text) || metrics.horizontalAdvance(text) <= room)
            continue;
        const QRectF needed = metrics.boundingRect(QRectF(0, 0, room, 1e9), Qt::TextWordWrap, text);
        height = std::max(height, needed.height() + m_padding);
    }
    return height;
}

void GridPagePainter::drawRow(int row, double height)
{
    m_painter->setFont(m_cellFont);
    const DatasetModel &model = *m_grid.model();
    QColor background = model.data(model.index(row, 0), Qt::BackgroundRole).value<QColor>();
    if (!background.isValid() && m_alternateBackground.isValid() && row % 2 == 1)
        background = m_alternateBackground;
    for (const Column &c : m_columns) {
        const QModelIndex index = model.index(row, c.model);
        const QColor foreground = model.data(index, Qt::ForegroundRole).value<QColor>();
        const QColor cellBackground = model.data(index, Qt::BackgroundRole).value<QColor>();
        drawCell(QRectF(c.x, m_y, c.width, height), model.displayText(row, c.model),
                 Qt::Alignment(c.alignment), cellBackground.isValid() ? cellBackground : background, foreground, true);
    }
    m_y += height;
}

void GridPagePainter::drawFooter()
{
    m_painter->setFont(m_cellFont);
    const GridColumns &columns = m_grid.model()->columns();
    for (const Column &c : m_columns) {
        drawCell(QRectF(c.x, m_y, c.width, m_lineHeight), m_grid.model()->footerText(c.model),
                 columns.at(c.model).footerAlignment, m_footerBackground, Qt::black, false);
    }
    m_y += m_lineHeight;
}
