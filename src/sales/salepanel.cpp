#include "sales/salepanel.h"

#include "widgets/dateedit.h"

SalePanel::SalePanel(AppContext &ctx, QWidget *parent)
    : FloatingPanel(parent), m_ctx(ctx), m_saleDate(new DateEdit(this))
{
    setObjectName(QStringLiteral("SalePanel"));
    m_saleDate->setObjectName(QStringLiteral("saleDate"));
}
