#include "widgets/grid.h"

#include "data/dataset.h"
#include "widgets/celldelegate.h"
#include "widgets/gridfooter.h"
#include "widgets/ink.h"
#include "widgets/groupedheader.h"

#include <QEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

Grid::Grid(Dataset &dataset, GridColumns columns, QWidget *parent)
    : QWidget(parent),
      m_model(new DatasetModel(dataset, std::move(columns), this)),
      m_view(new QTableView(this)),
      m_header(new GroupedHeader(m_view))
{
    m_view->setObjectName(QStringLiteral("gridView"));
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setItemDelegate(new CellDelegate(m_view));
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_header->setSortIndicatorShown(true);
    m_header->setSortIndicator(-1, Qt::DescendingOrder);
    for (int i = 0; i < m_model->columns().size(); ++i) {
        m_header->resizeSection(i, m_model->columns().at(i).width);
        m_shownWidth << m_model->columns().at(i).width;
    }
    widenForFigures();
    connect(m_header, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (size > 0 && logical >= 0 && logical < m_shownWidth.size())
            m_shownWidth[logical] = size;
    });

    // The footer lies between the rows and the horizontal scroll bar, so the view's own bar is
    // replaced by one below the footer that mirrors it.
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_footer = new GridFooter(*m_view, *m_model, this);
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_hbar->hide();
    QScrollBar *inner = m_view->horizontalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, [this, inner](int min, int max) {
        m_hbar->setRange(min, max);
        m_hbar->setPageStep(inner->pageStep());
        m_hbar->setSingleStep(inner->singleStep());
        m_hbar->setVisible(max > min);
    });
    connect(inner, &QScrollBar::valueChanged, m_hbar, &QScrollBar::setValue);
    connect(m_hbar, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);
    layout->addWidget(m_hbar);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_following && current.isValid())
                    this->dataset().setCurrentRow(current.row());
            });
    connect(&dataset, &Dataset::currentRowChanged, this, &Grid::showDatasetRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        showDatasetRow();
        showSortMark();
    });
    connect(m_view, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) { emit rowClicked(index.row()); });
    connect(m_view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { emit rowDoubleClicked(index.row()); });
    connect(m_header, &QHeaderView::sectionClicked, this, [this](int column) {
        emit aboutToSort(column);
        sortByColumn(column);
    });
}

void Grid::setRowColour(DatasetModel::RowColour colour)
{
    m_model->setRowColour(std::move(colour));
    redraw();
}

void Grid::readOnDemand()
{
    dataset().setLoadedColumns(m_model->summedFields());
}

void Grid::setColumnsFitted(bool fitted)
{
    m_fitted = fitted;
    if (fitted) {
        m_view->viewport()->installEventFilter(this);
        fitColumns();
    } else {
        m_view->viewport()->removeEventFilter(this);
    }
}

bool Grid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
}

void Grid::fitColumns()
{
    // Until the grid is shown its width means nothing; it is fitted when it gets its size.
    if (!m_fitted || !m_view->isVisible())
        return;
    const int available = m_view->viewport()->width();
    QList<int> visible; // logical indexes, in screen order
    int total = 0;
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        if (!m_header->isSectionHidden(logical)) {
            visible << logical;
            total += m_header->sectionSize(logical);
        }
    }
    if (visible.isEmpty() || total <= 0 || available <= 0 || total == available)
        return;
    int used = 0;
    for (int i = 0; i < visible.size(); ++i) {
        const int logical = visible.at(i);
        const int width = i + 1 < visible.size()
                              ? int(qint64(m_header->sectionSize(logical)) * available / total)
                              : available - used;
        m_header->resizeSection(logical, std::max(width, m_header->minimumSectionSize()));
        used += width;
    }
}

void Grid::setAlarmRows(std::function<bool(int row)> marked)
{
    setRowColour([this, marked = std::move(marked)](int row) {
        return marked(row) ? ink::on(m_view->palette().color(QPalette::Base), ink::Kind::Alarm) : QColor();
    });
}

void Grid::setFooterColour(const QColor &colour)
{
    QPalette p = m_footer->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, ink::plainOn(colour));
    m_footer->setPalette(p);
}

void Grid::setHeaderColour(const QColor &colour)
{
    QPalette p = m_header->palette();
    p.setColor(QPalette::Button, colour);
    p.setColor(QPalette::ButtonText, ink::plainOn(colour));
    m_header->setPalette(p);
}

void Grid::setRowBackgrounds(const QColor &rows, const QColor &alternateRows)
{
    QPalette p = m_view->palette();
    p.setColor(QPalette::Base, rows);
    p.setColor(QPalette::AlternateBase, alternateRows);
    p.setColor(QPalette::Text, ink::plainOn(rows));
    m_view->setPalette(p);
}

void Grid::setContextMenu(QMenu *menu)
{
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint &pos) { menu->popup(m_view->viewport()->mapToGlobal(pos)); });
}

void Grid::redraw()
{
    m_view->viewport()->update();
}

void Grid::setSeveralRowsSelectable(bool selectable)
{
    m_view->setSelectionMode(selectable ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

QList<int> Grid::selectedRows() const
{
    // By the selection's ranges: a row is selected in its shown cells, hidden columns or not.
    QList<int> rows;
    for (const QItemSelectionRange &range : m_view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void Grid::showDatasetRow()
{
    const int row = dataset().currentRow();
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    m_following = true;
    if (row < 0 || row >= m_model->rowCount()) {
        m_view->selectionModel()->clear();
    } else {
        const QModelIndex index = m_model->index(row, std::max(0, m_header->logicalIndexAt(0)));
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
        m_view->scrollTo(index);
    }
    m_following = false;
}

void Grid::showSortMark()
{
    const int column = m_model->columnOfField(dataset().sortColumn());
    m_header->setSortIndicator(column, dataset().sortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void Grid::sortByColumn(int column)
{
    if (column >= 0 && column < m_model->columns().size()) {
        const QString field = m_model->columns().at(column).field;
        if (dataset().isOpen() && dataset().hasColumn(field)) {
            const bool sameColumn = dataset().sortColumn().compare(field, Qt::CaseInsensitive) == 0;
            const bool descending = !(sameColumn && dataset().sortDescending());
            dataset().sort(descending ? field + QStringLiteral(" DESC") : field);
            emit sorted();
        }
    }
    showSortMark();
}

void Grid::widenForFigures()
{
    const int margins = 2 * m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 8;
    // Digits are not equally wide in every font: room for the widest.
    int digit = 0;
    for (char d = '0'; d <= '9'; ++d)
        digit = std::max(digit, fontMetrics().horizontalAdvance(QLatin1Char(d)));
    for (int i = 0; i < m_model->columns().size(); ++i) {
        const int figures = m_model->columns().at(i).figures;
        if (figures <= 0)
            continue;
        const int needed = figures * digit + margins;
        if (m_shownWidth.value(i) < needed) {
            m_shownWidth[i] = needed;
            m_header->resizeSection(i, needed); // a hidden column keeps it for when it shows
        }
    }
}

void Grid::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        widenForFigures();
}

void Grid::setFieldHidden(const QString &field, bool hidden)
{
    const int column = m_model->columnOfField(field);
    if (column < 0)
        return;
    const auto locked = m_hiddenBeneathLock.find(field.toLower());
    if (locked != m_hiddenBeneathLock.end()) {
        *locked = hidden;
        return;
    }
    m_header->setSectionHidden(column, hidden);
    fitColumns();
}

bool Grid::isFieldHidden(const QString &field) const
{
    const int column = m_model->columnOfField(field);
    return column >= 0 && m_header->isSectionHidden(column);
}

void Grid::lockHidden(const QStringList &fields)
{
    for (const QString &field : fields) {
        const int column = m_model->columnOfField(field);
        if (column < 0 || m_hiddenBeneathLock.contains(field.toLower()))
            continue;
        m_hiddenBeneathLock.insert(field.toLower(), m_header->isSectionHidden(column));
        m_header->setSectionHidden(column, true);
    }
}

QList<int> Grid::visibleColumns() const
{
    QList<int> columns;
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        if (logical >= 0 && !m_header->isSectionHidden(logical))
            columns << logical;
    }
    return columns;
}

GridLayout Grid::captureLayout() const
{
    const QStringList fields = m_model->fields();
    GridLayout layout = LayoutStore::capture(*m_view, fields);
    for (int i = 0; i < fields.size(); ++i) {
        GridLayout::Column &c = layout.columns[fields.at(i)];
        const auto locked = m_hiddenBeneathLock.constFind(fields.at(i).toLower());
        if (locked != m_hiddenBeneathLock.cend())
            c.visible = !*locked;
        if (m_header->isSectionHidden(i))
            c.width = m_shownWidth.value(i, c.width);
    }
    return layout;
}

void Grid::applyLayout(const GridLayout &layout)
{
    LayoutStore::apply(*m_view, m_model->fields(), layout);
    const QStringList fields = m_model->fields();
    for (int i = 0; i < fields.size(); ++i) {
        const auto stored = layout.columns.constFind(fields.at(i));
        if (stored != layout.columns.cend() && stored->width > 0)
            m_shownWidth[i] = stored->width;
    }
    // The layout speaks for what lies beneath a lock; the lock itself stays.
    for (auto it = m_hiddenBeneathLock.begin(); it != m_hiddenBeneathLock.end(); ++it) {
        const int column = m_model->columnOfField(it.key());
        if (layout.columns.contains(fields.at(column)))
            *it = m_header->isSectionHidden(column);
        m_header->setSectionHidden(column, true);
    }
    fitColumns();
    // A stored mark says how the rows were sorted: sort the loaded rows that way.
    for (auto it = layout.columns.cbegin(); it != layout.columns.cend(); ++it) {
        if (it->sortMark != 0 && dataset().isOpen() && dataset().hasColumn(it.key()) &&
            m_model->columnOfField(it.key()) >= 0)
            dataset().sort(it->sortMark == 2 ? it.key() + QStringLiteral(" DESC") : it.key());
    }
    showSortMark();
}
