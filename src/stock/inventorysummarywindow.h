#pragma once

#include "data/statement.h"
#include "widgets/gridcolumn.h"

#include <QDialog>

struct AppContext;
class Dataset;
class Grid;
class QMenu;
class QPushButton;

// "汇总统计": the stock rows totalled per article (name, model, code and category), with what was
// bought, sold and is left. Read-only; sorted by a click on a column title; exported and printed
// through the shared grid facilities. The same single window is shown modally from the toolbar
// and beside the main window from the grid menu; every show reads the totals afresh.
class InventorySummaryWindow : public QDialog {
    Q_OBJECT
public:
    InventorySummaryWindow(AppContext &ctx, QWidget *parent = nullptr);

    // What the lines are: one per article, an empty name, model, code or category and a missing
    // one being the same article. They are totalled in one pass (see articletotals).
    static Statement statement();
    static GridColumns gridColumns();
    // The titles of the exported sheet and of the printed page.
    static QString exportTitle() { return QStringLiteral("商品进销存统计报表"); }
    static QString printTitle() { return QStringLiteral("商 品 进 销 存 统 计 报 表"); }

    // Reads the totals again while the window is shown, keeping the sort and the current
    // article; a hidden window reads them when it is next shown.
    void refresh();

    // For a user other than the superadministrator: the purchase amount, sales amount and stock
    // value columns stay hidden for the rest of the run.
    void restrictForUser();
    bool isRestricted() const { return m_restricted; }

    Grid *gridWidget() const { return m_grid; }
    QMenu *gridMenu() const { return m_menu; }

    // Shown beside the main window already: it is shown again, modally.
    int exec() override;

signals:
    // "导出Excel": the grid is to be exported with this title.
    void exportRequested(const QString &title);
    // "打 印": the print preview of the grid is to be opened with this title above it.
    void printRequested(const QString &title);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    Dataset &summary() const;
    void buildGrid();
    void buildActions();
    // Runs the statement; the last line becomes current.
    void load();
    void requestExport();
    void requestPrint();

    AppContext &m_ctx;
    Grid *m_grid = nullptr;
    QMenu *m_menu = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_print = nullptr;
    bool m_restricted = false;
};
