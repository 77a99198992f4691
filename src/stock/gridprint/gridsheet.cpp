#include "stock/gridprint/gridsheet.h"

#include "widgets/datasetmodel.h"
#include "widgets/grid.h"
#include "widgets/gridfooter.h"
#include "widgets/groupedheader.h"

#include <QFontInfo>
#include <QTableView>

namespace {

// A colour of the screen that would print dark (a dark skin) gives way to a light one.
QColor printable(const QColor &colour, const QColor &fallback)
{
    return colour.isValid() && colour.lightness() >= 160 ? colour : fallback;
}

} // namespace

GridSheet::GridSheet(const Grid &grid)
{
    const DatasetModel &model = *grid.model();
    const GridColumns &columns = model.columns();
    for (int column : grid.visibleColumns()) {
        const GridColumn &c = columns.at(column);
        m_columns.append({column, c.title, c.group, model.footerText(column), double(grid.header()->sectionSize(column)),
                          c.alignment, c.footerAlignment});
        if (!c.group.isEmpty())
            m_titleLevels = 2;
    }
    for (const GridColumn &c : columns)
        m_hasFooter = m_hasFooter || c.footer != GridColumn::Footer::None;

    const QTableView *view = grid.view();
    m_cellPixelSize = QFontInfo(view->font()).pixelSize();
    m_screenDpi = std::max(1, view->logicalDpiX());
    m_titleBackground = printable(grid.header()->palette().color(QPalette::Button), QColor(0xE8, 0xE8, 0xE8));
    m_footerBackground = printable(grid.footer()->palette().color(QPalette::Window), QColor(0xF4, 0xF4, 0xF4));
    m_alternateBackground = view->alternatingRowColors()
                                ? printable(view->palette().color(QPalette::AlternateBase), QColor(0xEE, 0xEE, 0xEE))
                                : QColor();
}

void GridSheet::appendRow(const DatasetModel &model, int row)
{
    for (const Column &c : std::as_const(m_columns)) {
        m_texts += model.displayText(row, c.model);
        m_ends.push_back(m_texts.size());
    }
    const QColor colour = model.data(model.index(row, 0), Qt::ForegroundRole).value<QColor>();
    m_foreground.push_back(colour.isValid() ? colour.rgba() : QRgb(0));
}

QStringView GridSheet::cell(int row, int column) const
{
    const size_t at = size_t(row) * size_t(m_columns.size()) + size_t(column);
    const qsizetype begin = at == 0 ? 0 : m_ends[at - 1];
    return QStringView(m_texts).mid(begin, m_ends[at] - begin);
}

QColor GridSheet::foreground(int row) const
{
    const QRgb rgb = m_foreground[size_t(row)];
    return qAlpha(rgb) == 0 ? QColor() : QColor::fromRgba(rgb);
}
