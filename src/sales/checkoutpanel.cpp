#include "sales/checkoutpanel.h"

CheckoutPanel::CheckoutPanel(AppContext &ctx, QWidget *parent) : FloatingPanel(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("CheckoutPanel"));
}
