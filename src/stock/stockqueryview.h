#pragma once

#include <QObject>

struct AppContext;
class MainWindow;
class QTableView;

// The main grid over the stock rows and the conditions group below it (" 快速拼音查询"), the
// zero-stock switch and the stock alarm.
class StockQueryView : public QObject {
    Q_OBJECT
public:
    StockQueryView(AppContext &ctx, MainWindow &main);

    // "全部记录": refills the drop-down lists and reloads every row, the last row current.
    void refreshAll() {}
    // Runs the conditions query.
    void runQuery() {}
    // The zero-stock switch as restored at login (true: rows with zero stock hidden).
    void setZeroStockHidden(bool hidden) { Q_UNUSED(hidden); }
    // The main grid's column layout in the layout store.
    void saveLayout() {}
    void restoreLayout() {}
    // Hides grid columns by field name for this run (restricted users).
    void hideColumns(const QStringList &fields) { Q_UNUSED(fields); }
    QTableView *grid() const { return nullptr; }

signals:
    // A click on a row of the main grid (the current row is the clicked one).
    void rowClicked(int row);
    // A double-click on a row: start a sale of that stock row.
    void rowDoubleClicked(int row);
    // The grid was re-queried, reloaded in full or re-sorted.
    void reloaded();
    void sorted();

private:
    AppContext &m_ctx;
    MainWindow &m_main;
};
