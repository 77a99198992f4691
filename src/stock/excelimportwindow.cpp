#include "stock/excelimportwindow.h"

ExcelImportWindow::ExcelImportWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Texcell"));
    setWindowTitle(QStringLiteral("Excel导入"));
}
