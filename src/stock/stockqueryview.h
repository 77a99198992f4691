#pragma once

#include "stock/stockconditions.h"
#include "stock/stocksearchindex.h"
#include "widgets/gridcolumn.h"

#include <QObject>
#include <memory>

struct AppContext;
class Grid;
class QMenu;
class QCheckBox;
class OnDemandComboBox;
class QComboBox;
class QDate;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

// The main grid over the stock rows and the conditions group below it (" 快速拼音查询"), the
// zero-stock switch and the stock alarm.
class StockQueryView : public QObject {
    Q_OBJECT
public:
    // The stock-in panel's lists that "全部记录" refreshes with the known values.
    struct StockInLists {
        OnDemandComboBox *category = nullptr; // d
        OnDemandComboBox *name = nullptr;     // a
        OnDemandComboBox *model = nullptr;    // b
        OnDemandComboBox *code = nullptr;     // c
        OnDemandComboBox *supplier = nullptr; // g
    };

    // The grid goes into `gridArea` with `gridMenu` as its pop-up menu, the conditions group into
    // `queryArea`.
    StockQueryView(AppContext &ctx, QWidget *gridArea, QWidget *queryArea, QMenu *gridMenu, QObject *parent);

    // The main grid's columns: field, titles, display format, footer.
    static GridColumns gridColumns();

    // "全部记录": empties the drop-down lists' texts, has their entries read again when next
    // used, and reloads every row, the last row current.
    void refreshAll();
    // Runs the conditions query.
    void runQuery();
    // The query with the current conditions again, after the stock row `key` was written (a
    // sale): when the grid shows that query's rows in its own order, only that row is read again
    // (its new figures, or gone when it no longer meets the conditions) and the first row becomes
    // current, as a re-run leaves it; otherwise the query runs again.
    void rowWritten(long long key);
    // After the figures of the stock row `key` were written elsewhere (a sale line given back),
    // `before` holding the written columns as they were: the listing shown stays. Its rows come in
    // an order those figures do not decide, so unless the user sorted them the row is read again
    // in its place (its new figures in the footer too, or gone when it no longer meets the
    // listing's condition); otherwise, or when the row is not listed, the rows shown are read again.
    void stockRowWritten(long long key, const QVariantHash &before);
    // After another program wrote to the file: the rows shown are read again with the listing,
    // the conditions, the sort and the current row kept; the panels stay as they are.
    void rereadShown();
    // "清空条件": empties the conditions one by one; the text boxes re-query as they change.
    void clearConditions();
    // The zero-stock switch as restored at login (true: rows with zero stock hidden). Sets the
    // tick and the statements; the caller reloads.
    void setZeroStockHidden(bool hidden);
    bool zeroStockHidden() const;
    // The main grid's column layout in the layout store. Saving reports a file that cannot be
    // written and returns whether the layout was stored.
    bool saveLayout();
    void restoreLayout();
    // "导出Excel": saves the main grid as the "商品进货统计报表" workbook chosen by the user.
    void exportGrid();
    // "打 印": the print preview of the main grid.
    void printGrid();
    // Hides grid columns by field name for this run (restricted users).
    void hideColumns(const QStringList &fields);
    QTableView *grid() const;
    // Puts the cursor into "商品名称：", where a search by initials starts.
    void focusNameField();
    // Empties "商品编码：" and puts the cursor there, ready for the next scan.
    void readyForScan();
    Grid *gridWidget() const { return m_grid; }

    // The first show of the main window: both dates become today, the alarm number the stored one.
    void prepareFirstShow(const QDate &today, const QString &alarmNumber);
    void setStockInLists(const StockInLists &lists);
    // What the conditions group holds now.
    StockConditions conditions() const;

signals:
    // A click on a row of the main grid (the current row is the clicked one).
    void rowClicked(int row);
    // A double-click on a row: start a sale of that stock row.
    void rowDoubleClicked(int row);
    // The grid was re-queried or reloaded in full.
    void reloaded();
    // The grid was re-queried as "商品编码：" changed: a scanner typing its next code. A sale open
    // stays open.
    void narrowedByCode();
    // A click on a column title is about to re-sort the loaded rows.
    void aboutToSort();
    // The loaded rows were re-sorted by a click on a column title.
    void sorted();
    // A code ended by Enter in "商品编码：" (a scanner ends each code so) stands for one article:
    // start a sale of stock row `key`, or add one to the sale of it already open.
    void codeScanned(long long key);
    // Enter in an empty "商品编码：": confirm the sale open ("销售确认").
    void saleConfirmRequested();
    // What became of a scanned code that starts no sale, for the status bar.
    void scanNotice(const QString &text);

private:
    void buildGrid();
    void buildConditions();
    void requeryOnChange(QLineEdit *field);
    // Enter in "商品编码：".
    void codeEntered();
    // Lists the rows of the conditions (runQuery without telling the others).
    void listConditions();
    void alarmChanged(const QString &text);
    void zeroStockClicked(bool hidden);
    void refreshLists();
    // Has `list` read the distinct values of `column` of the stock rows when it is next used.
    void readListFrom(OnDemandComboBox *list, const QString &column);
    bool isLowStock(int row) const;

    AppContext &m_ctx;
    QWidget *m_gridArea;
    QWidget *m_queryArea;
    QMenu *m_gridMenu;
    StockListing m_listing = StockListing::allRows();
    StockInLists m_stockInLists;
    Grid *m_grid = nullptr;
    QGroupBox *m_group = nullptr;
    OnDemandComboBox *m_category = nullptr;
    QLineEdit *m_name = nullptr;
    OnDemandComboBox *m_supplier = nullptr;
    QLineEdit *m_model = nullptr;
    QLineEdit *m_code = nullptr;
    QCheckBox *m_dateRange = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLineEdit *m_remark = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_query = nullptr;
    QPushButton *m_all = nullptr;
    QLineEdit *m_alarm = nullptr;
    QCheckBox *m_hideZero = nullptr;
    double m_alarmNumber = 5;
    // Answers the keystrokes in name, model and code.
    std::unique_ptr<StockSearchIndex> m_search;
};
