#include "stock/inventorysummarywindow.h"

InventorySummaryWindow::InventorySummaryWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("汇总统计"));
}

void InventorySummaryWindow::restrictForUser()
{
    m_restricted = true;
}
