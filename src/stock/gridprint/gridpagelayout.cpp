#include "stock/gridprint/gridpagelayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>

namespace {

// A grid printed on narrow paper shrinks to fit; on wide paper it grows, but no more than this.
constexpr double kLargestEnlargement = 1.5;

} // namespace

// A text that can go on over several lines: it has a blank or a character of a script written
// without blanks (Chinese) to break at. A number, an order number or a telephone number has not:
// it is drawn whole in a smaller size instead, or visibly cut, never with digits silently lost.
bool gridprint::canWrap(QStringView text)
{
    for (QChar c : text) {
        if (c.isSpace() || c.unicode() >= 0x2E80)
            return true;
    }
    return false;
}

GridPageLayout::GridPageLayout(const GridSheet &sheet, QList<PrintText> before, QList<PrintText> after,
                               QPaintDevice &printer)
    : m_sheet(sheet), m_before(std::move(before)), m_after(std::move(after)), m_printer(printer),
      m_area(0, 0, printer.width(), printer.height())
{
    // The visible columns, their widths scaled so the grid fills the width of the page.
    double gridWidth = 0;
    for (const GridSheet::Column &c : sheet.columns())
        gridWidth += c.width;
    const double natural = printer.logicalDpiX() / double(sheet.screenDpi());
    m_scale = gridWidth > 0 ? std::min(m_area.width() / gridWidth, natural * kLargestEnlargement) : natural;
    double x = m_area.left();
    for (const GridSheet::Column &c : sheet.columns()) {
        m_columnX.push_back(x);
        m_columnWidth.push_back(c.width * m_scale);
        x += c.width * m_scale;
    }
    m_cellFont = QFont(QStringLiteral("Arial"));
    m_cellFont.setPixelSize(std::max(1, int(sheet.cellPixelSize() * m_scale + 0.5)));
    m_padding = 3 * m_scale;
    m_lineHeight = QFontMetricsF(m_cellFont, &m_printer).height() + m_padding;
    start();
}

double GridPageLayout::points(double pt) const
{
    return pt * m_printer.logicalDpiY() / 72.0;
}

QFont GridPageLayout::textFont(const PrintText &line) const
{
    QFont font(line.family);
    font.setPixelSize(std::max(1, int(points(line.pointSize) + 0.5)));
    font.setBold(line.bold);
    return font;
}

QFont GridPageLayout::headerFont() const
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, int(points(10) + 0.5)));
    return font;
}

double GridPageLayout::contentTop() const
{
    // The page number, 2 points, a line, 2 points, a line, 8 points.
    return m_area.top() + QFontMetricsF(headerFont(), &m_printer).height() + points(12);
}

double GridPageLayout::textsHeight(const QList<PrintText> &lines) const
{
    double height = 0;
    for (const PrintText &line : lines)
        height += QFontMetricsF(textFont(line), &m_printer).height();
    return height;
}

double GridPageLayout::rowHeight(int row) const
{
    const QFontMetricsF metrics(m_cellFont, &m_printer);
    double height = m_lineHeight;
    for (int c = 0; c < m_sheet.columns().size(); ++c) {
        const QStringView text = m_sheet.cell(row, c);
        const double room = m_columnWidth[size_t(c)] - 2 * m_padding;
        if (text.isEmpty() || !gridprint::canWrap(text) || metrics.horizontalAdvance(text.toString()) <= room)
            continue;
        const QRectF needed = metrics.boundingRect(QRectF(0, 0, room, 1e9), Qt::TextWordWrap, text.toString());
        height = std::max(height, needed.height() + m_padding);
    }
    return height;
}

void GridPageLayout::start()
{
    m_pages.assign(1, Page{});
    m_pages.back().before = true;
    m_y = contentTop() + textsHeight(m_before);
    if (!m_sheet.columns().isEmpty()) {
        m_pages.back().titles = true;
        m_y += titlesHeight();
    }
    m_placedRows = 0;
    m_complete = false;
}

void GridPageLayout::newPage(bool withTitles)
{
    Page page;
    page.firstRow = page.endRow = m_placedRows;
    page.titles = withTitles;
    m_pages.push_back(page);
    m_y = contentTop() + (withTitles ? titlesHeight() : 0);
}

void GridPageLayout::placeRows(bool lastRows)
{
    if (m_complete)
        return;
    const double bottom = m_area.bottom();
    if (!m_sheet.columns().isEmpty()) {
        for (; m_placedRows < m_sheet.rowCount(); ++m_placedRows) {
            const double height = rowHeight(m_placedRows);
            if (m_y + height > bottom)
                newPage(true);
            // A row taller than a whole page is cut at its foot.
            m_y += std::min(height, bottom - m_y);
            m_pages.back().endRow = m_placedRows + 1;
        }
    }
    if (!lastRows)
        return;
    if (!m_sheet.columns().isEmpty() && m_sheet.hasFooter()) {
        if (m_y + m_lineHeight > bottom)
            newPage(true);
        m_pages.back().footer = true;
        m_y += m_lineHeight;
    }
    if (m_y + textsHeight(m_after) > bottom)
        newPage(false);
    m_pages.back().after = true;
    m_complete = true;
}
