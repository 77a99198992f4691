#include "stock/stockinpanel.h"

#include "widgets/dateedit.h"

StockInPanel::StockInPanel(AppContext &ctx, QWidget *parent)
    : FloatingPanel(parent), m_ctx(ctx), m_date(new DateEdit(this))
{
    setObjectName(QStringLiteral("StockInPanel"));
    m_date->setObjectName(QStringLiteral("stockInDate"));
}
