#pragma once

#include "widgets/floatingpanel.h"

struct AppContext;

// The floating checkout panel: the lines of the current order, cash, change and receipts.
class CheckoutPanel : public FloatingPanel {
    Q_OBJECT
public:
    CheckoutPanel(AppContext &ctx, QWidget *parent);

    // Lists the lines of the current order again.
    void refresh() {}
    // Sets the text of "现金：".
    void setCash(const QString &text) { Q_UNUSED(text); }

private:
    AppContext &m_ctx;
};
