#pragma once

#include <QDialog>

struct AppContext;

// Imports stock rows from a workbook.
class ExcelImportWindow : public QDialog {
    Q_OBJECT
public:
    ExcelImportWindow(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};
