#pragma once

#include "data/tabletotals.h"
#include "sales/saleslistings.h"
#include "widgets/gridcolumn.h"

#include <QDate>
#include <QDialog>
#include <QList>

struct AppContext;
class ColumnHiding;
class Grid;
class OnDemandComboBox;
class QAction;
class QCheckBox;
class QDateEdit;
class QLineEdit;
class QMenu;
class QTabWidget;
class OwedCustomersView;
class SaleLinePanel;
class SalesChartsPage;
struct OwedCustomer;

// "销售明细" (Txstj): the sale lines by month, by conditions, by order number or as returns, with
// their sums, and on the second tab "销售统计" the monthly and daily charts. The window lives for
// the whole run; while it is hidden, what changes its listing takes effect when it is next shown.
class SalesDetailsWindow : public QDialog {
    Q_OBJECT
public:
    // The items of the grid's pop-up menu, in menu order.
    struct Actions {
        QAction *modify = nullptr;      // "修 改 "
        QAction *remove = nullptr;      // "删 除", Del
        QAction *exportExcel = nullptr; // "导出Excel", Ctrl+E
        QAction *print = nullptr;       // "打 印", Ctrl+D
        QAction *saveLayout = nullptr;  // "保存当前列宽"
        // The ten column switches, tickable, in the order of their settings values xiaoshouyin1
        // to xiaoshouyin10: "隐藏销售单价" … "隐藏备注".
        QList<QAction *> hideColumns;
        QAction *showAll = nullptr;     // "全部显示"
    };

    SalesDetailsWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~SalesDetailsWindow() override;

    // The grid's columns: field, titles, width, display format, footer.
    static GridColumns gridColumns();
    // The section of the layout file that holds this grid's layout.
    static QString layoutSection();
    static QString exportTitle() { return QStringLiteral("销 售 报 表"); }
    static QString printTitle() { return QStringLiteral("销 售 统 计 报 表"); }
    // The title of the "欠款客户" listing, exported and printed.
    static QString owedCustomersTitle() { return QStringLiteral("欠 款 客 户 报 表"); }

    Grid *grid() const { return m_grid; }
    // The customers who owe money, shown in the place of the sale lines by "欠款客户".
    OwedCustomersView *owedCustomers() const { return m_owed; }
    // The grid in view: the sale lines, or the owed customers. "导出Excel" and "打 印" are about
    // this grid, with the title they announce.
    Grid *shownGrid() const;
    bool isShowingOwedCustomers() const;
    QMenu *gridMenu() const { return m_menu; }
    // The column switches of the pop-up menu; their stored ticks are applied at start-up.
    ColumnHiding *columnHiding() const { return m_hiding; }
    const Actions &actions() const { return m_actions; }
    SalesChartsPage *charts() const { return m_charts; }
    // The line panel of "修 改 " and "删 除", over the grid.
    SaleLinePanel *linePanel() const { return m_linePanel; }
    QTabWidget *pages() const { return m_pages; }

    // Listings; each replaces the rows of SalesQuery.
    // "本 月": this month's lines, the last one current.
    void loadThisMonth();
    // "全部记录": every line by date, the last one current.
    void loadAll();
    // "全部退货": every return line by date, the last one current.
    void loadAllReturns();
    // "查 询" of the conditions group: sale lines matching the conditions.
    void querySales();
    // "查 询" of the returns group: return lines matching the conditions.
    void queryReturns();
    // "当 天": ticks "销售日期：" and runs the conditions query.
    void queryToday();
    // "清空条件": empties the conditions and unticks the date range; lists again when that changed
    // anything.
    void clearConditions();
    // "欠款客户": per customer the number of lines with an owed amount, their total and the date
    // of the last one, largest total first, shown in the place of the sale lines until another
    // listing runs. The customer last opened stays current.
    void loadOwedCustomers();
    // The owed lines of one customer, by date, in the sale-lines grid (a double click on the
    // customer); "欠款客户" leads back.
    void listOwedLinesOf(const OwedCustomer &customer);
    // Puts `orderNumber` into "销售单号：" and lists the lines whose order number contains it.
    void queryOrderNumber(const QString &orderNumber);
    // Puts `orderNumber` into "销售单号：", ready for its sales note, without listing.
    void setOrderNumber(const QString &orderNumber);
    // "本 月" after sale lines were written elsewhere: at once while the window is showing. A hidden
    // window lists nothing now: every show lists this month afresh, so the rows it then shows
    // are the same, and a posting does not pay for a listing nobody sees.
    void refreshThisMonth();
    // After another program wrote sale lines: the listing shown is read again, its rows in the
    // order shown and the current line kept. A hidden window lists afresh when shown.
    void rereadShown();
    // "查 询" of the order-number group.
    void runOrderNumberQuery();

    SalesConditions conditions() const;
    QString orderNumberText() const;

    // "全部显示": every column but the order number's shown; a column locked for the user stays hidden.
    void showAllColumns();
    // "保存当前列宽" and its counterpart, run on every show.
    void saveLayout();
    void restoreLayout();
    // Sale lines of these sale dates were written or removed (none given: dates unknown): the
    // charts whose periods hold them show profit again, at once while their page shows, otherwise
    // when it is next shown.
    void salesChanged(const QList<QDate> &days);
    // The sale line `key` of `saleDate` was deleted: a showing window drops it from the listing
    // shown, which keeps its other rows, order and current place; the charts as salesChanged.
    void lineDeleted(long long key, const QDate &saleDate);

    // For a user other than the superadministrator: no corrections, no "全部显示", no net profit
    // column and no charts for the rest of the run.
    void restrictForUser();
    bool isRestricted() const { return m_restricted; }

    void done(int result) override;

signals:
    // The window was closed: what it narrowed elsewhere (the main grid after a deletion) is
    // listed in full again.
    void closed();
    // "导出Excel" and "打 印" of the grid's pop-up menu, with the report's title.
    void exportRequested(const QString &title);
    void printRequested(const QString &title);
    // The line-correction commands: "修 改 " (or a double click on a row) and "删 除" (or Del).
    void modifyRequested();
    void deleteRequested();
    // "销售单预览" with the text of "销售单号：".
    void notePreviewRequested(const QString &orderNumber);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *buildListPage();
    QWidget *buildConditions(QWidget *parent);
    QWidget *buildOrderGroup(QWidget *parent);
    QWidget *buildReturnsGroup(QWidget *parent);
    void buildMenu();
    void list(const Statement &statement, bool toLastRow, const QHash<QString, long long> &tableSums = {});
    // "本 月", "全部记录" and "全部退货": the category condition emptied, the last row current.
    void listAfresh(const Statement &statement, const QHash<QString, long long> &tableSums = {});
    void rowClicked(int row);
    void buildOwedListing();
    void showLines();
    bool isReturnOrZero(int row) const;

    AppContext &m_ctx;
    // The sums of every sale line, so "全部记录" reads little more than the lines' keys.
    TableTotals m_totals;
    bool m_restricted = false;
    QTabWidget *m_pages = nullptr;
    Grid *m_grid = nullptr;
    QMenu *m_menu = nullptr;
    ColumnHiding *m_hiding = nullptr;
    Actions m_actions;
    SalesChartsPage *m_charts = nullptr;
    SaleLinePanel *m_linePanel = nullptr;
    OnDemandComboBox *m_category = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_code = nullptr;
    QLineEdit *m_model = nullptr;
    QLineEdit *m_customer = nullptr;
    QLineEdit *m_remark = nullptr;
    QCheckBox *m_dateRange = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLineEdit *m_orderNumber = nullptr;
    OwedCustomersView *m_owed = nullptr;
};
