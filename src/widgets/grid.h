#pragma once

#include "common/layoutstore.h"
#include "widgets/datasetmodel.h"

#include <QHash>
#include <QWidget>

class Dataset;
class GridFooter;
class GroupedHeader;
class QMenu;
class QScrollBar;
class QTableView;

// A read-only grid over a Dataset: two-level titles, a footer row with texts and sums, whole-row
// selection that follows the dataset's current row (and moves it), per-row text colour, sorting
// of the loaded rows by a click on a column title, and column layouts for the layout store.
class Grid : public QWidget {
    Q_OBJECT
public:
    Grid(Dataset &dataset, GridColumns columns, QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }
    DatasetModel *model() const { return m_model; }
    Dataset &dataset() const { return m_model->dataset(); }
    GroupedHeader *header() const { return m_header; }
    GridFooter *footer() const { return m_footer; }

    void setRowColour(DatasetModel::RowColour colour);
    // Draws the rows `marked` picks in red, a lighter red where the rows' background is dark.
    void setAlarmRows(std::function<bool(int row)> marked);
    // Lets the dataset read the rows' columns only when they are shown: while loading it reads
    // every row's key and the summed fields, only to sum them.
    void readOnDemand();
    // Colours of the grid's own instead of the skin's: the text on them is dark or light to match,
    // so every skin keeps them readable.
    void setFooterColour(const QColor &colour);
    void setHeaderColour(const QColor &colour);
    void setRowBackgrounds(const QColor &rows, const QColor &alternateRows);
    // The menu shown by a right click on the rows.
    void setContextMenu(QMenu *menu);
    // Draws the rows again, e.g. after what the row colour depends on has changed.
    void redraw();

    // Keeps the visible columns together exactly as wide as the rows' area, each in proportion to
    // its width, as the grid is resized, columns are shown or hidden or a layout is applied.
    void setColumnsFitted(bool fitted);

    // Column visibility by field name. A locked field stays hidden for the rest of the run, whatever
    // a later call or a restored layout says; what they say is kept beneath the lock and is what a
    // captured layout records for it, so a layout saved while locked does not carry the lock.
    void setFieldHidden(const QString &field, bool hidden);
    bool isFieldHidden(const QString &field) const;
    void lockHidden(const QStringList &fields);

    // Lets the user select several rows (Ctrl, Shift); the current row is the one clicked last.
    void setSeveralRowsSelectable(bool selectable);
    // The selected rows, in the order they stand in the dataset.
    QList<int> selectedRows() const;

    // The model columns shown, in the order they stand on the screen.
    QList<int> visibleColumns() const;

    // Sorts the loaded rows by a column, as a click on its title does: descending on the first
    // click, then flipping with every further click on the same column. A reload ends the sort.
    void sortByColumn(int column);

    GridLayout captureLayout() const;
    // Applies a stored layout; a stored sort mark sorts the loaded rows by its column.
    void applyLayout(const GridLayout &layout);

signals:
    void rowClicked(int row);
    void rowDoubleClicked(int row);
    // A column title was clicked; the rows are sorted right after.
    void aboutToSort(int column);
    void sorted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    void changeEvent(QEvent *event) override;

private:
    void fitColumns();
    // Columns of figures (money, order and telephone numbers) grow, never shrink, to hold their
    // figures in the grid's font: when the grid is made and when its font changes. A saved layout
    // applied later still wins.
    void widenForFigures();
    void showDatasetRow();
    void showSortMark();

    DatasetModel *m_model;
    QTableView *m_view;
    GroupedHeader *m_header;
    GridFooter *m_footer;
    QScrollBar *m_hbar;
    // Per locked field (lower case): whether it would be hidden without the lock.
    QHash<QString, bool> m_hiddenBeneathLock;
    // Per model column: its width when last shown, which a hidden column keeps in a captured layout.
    QList<int> m_shownWidth;
    bool m_following = false; // the view is being moved to the dataset's row
    bool m_fitted = false;
};
