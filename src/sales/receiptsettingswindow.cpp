#include "sales/receiptsettingswindow.h"

ReceiptSettingsWindow::ReceiptSettingsWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Tpos"));
    setWindowTitle(QStringLiteral("销售单小票设置"));
}
