#pragma once

#include <QDialog>

struct AppContext;

// "汇总统计": stock totals per article.
class InventorySummaryWindow : public QDialog {
    Q_OBJECT
public:
    InventorySummaryWindow(AppContext &ctx, QWidget *parent = nullptr);
    void refresh() {}

private:
    AppContext &m_ctx;
};
