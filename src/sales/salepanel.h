#pragma once

#include "widgets/floatingpanel.h"

struct AppContext;
class DateEdit;

// The floating sale panel: price, quantity, customer and order number of one sale line.
class SalePanel : public FloatingPanel {
    Q_OBJECT
public:
    SalePanel(AppContext &ctx, QWidget *parent);
    DateEdit *saleDateField() const { return m_saleDate; }

    // The sales order number shown in "销售单号：".
    QString orderNumber() const { return {}; }
    // The customer name shown in "客户名称：".
    QString customerName() const { return {}; }
    // "+" and "-": move to the next or previous order number.
    void nextOrder() {}
    void previousOrder() {}

private:
    AppContext &m_ctx;
    DateEdit *m_saleDate;
};
