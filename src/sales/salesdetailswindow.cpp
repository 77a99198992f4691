#include "sales/salesdetailswindow.h"

SalesDetailsWindow::SalesDetailsWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Txstj"));
    setWindowTitle(QStringLiteral("销售明细"));
}

void SalesDetailsWindow::restrictForUser()
{
    m_restricted = true;
}
