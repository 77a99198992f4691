#include "stock/gridprint/griddocument.h"

#include "stock/gridprint/gridpagepainter.h"
#include "widgets/datasetmodel.h"
#include "widgets/grid.h"

#include <QElapsedTimer>

namespace {

// Rows copied and placed between two looks at the clock.
constexpr int kRowsPerLook = 32;

} // namespace

GridDocument::GridDocument(const Grid &grid, const QList<PrintText> &before, const QList<PrintText> &after,
                           QPaintDevice &printer)
    : m_grid(&grid), m_before(before), m_after(after), m_printer(printer)
{
    copyColumns();
    watchGrid();
}

GridDocument::~GridDocument()
{
    stopWatching();
}

void GridDocument::watchGrid()
{
    const DatasetModel *model = m_grid->model();
    const auto changed = [this] { m_changed = true; };
    m_watches << QObject::connect(model, &QAbstractItemModel::modelReset, changed)
              << QObject::connect(model, &QAbstractItemModel::rowsRemoved, changed)
              << QObject::connect(model, &QAbstractItemModel::rowsInserted, changed)
              << QObject::connect(model, &QAbstractItemModel::dataChanged, changed)
              << QObject::connect(model, &QAbstractItemModel::layoutChanged, changed)
              << QObject::connect(model, &DatasetModel::footerChanged, changed);
}

void GridDocument::stopWatching()
{
    for (const QMetaObject::Connection &c : std::as_const(m_watches))
        QObject::disconnect(c);
    m_watches.clear();
}

void GridDocument::copyColumns()
{
    m_layout.reset();
    m_sheet = std::make_unique<GridSheet>(*m_grid);
    m_layout = std::make_unique<GridPageLayout>(*m_sheet, m_before, m_after, m_printer);
    m_rows = m_grid->model()->rowCount();
}

void GridDocument::listedAfresh()
{
    m_changed = false;
    copyColumns();
    ++m_generation;
}

bool GridDocument::layOutMore(int milliseconds)
{
    if (m_failed || m_layout->isComplete())
        return false;
    if (!m_grid) {
        // The grid went away before all of it was copied: there is no whole print to make.
        m_failed = true;
        stopWatching();
        return false;
    }
    if (m_changed)
        listedAfresh();
    QElapsedTimer clock;
    clock.start();
    const DatasetModel &model = *m_grid->model();
    while (m_sheet->rowCount() < m_rows) {
        const int end = std::min(m_rows, m_sheet->rowCount() + kRowsPerLook);
        for (int row = m_sheet->rowCount(); row < end; ++row)
            m_sheet->appendRow(model, row);
        m_layout->placeRows(false);
        if (clock.elapsed() >= milliseconds)
            return true;
    }
    // Every row is copied: the grid is not needed any more.
    stopWatching();
    m_layout->placeRows(true);
    return false;
}

void GridDocument::paintPage(QPainter &painter, int page) const
{
    GridPagePainter(*m_layout, painter).paint(page);
}
