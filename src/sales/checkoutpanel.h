#pragma once

#include "widgets/floatingpanel.h"

struct AppContext;

// The floating checkout panel: the lines of the current order, cash, change and receipts.
class CheckoutPanel : public FloatingPanel {
    Q_OBJECT
public:
    CheckoutPanel(AppContext &ctx, QWidget *parent);

private:
    AppContext &m_ctx;
};
