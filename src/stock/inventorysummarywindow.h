#pragma once

#include <QDialog>

struct AppContext;

// "汇总统计": stock totals per article.
class InventorySummaryWindow : public QDialog {
    Q_OBJECT
public:
    InventorySummaryWindow(AppContext &ctx, QWidget *parent = nullptr);
    void refresh() {}

    // For a user other than the superadministrator: the purchase amount, sales amount and stock
    // value columns stay hidden for the rest of the run.
    void restrictForUser();
    bool isRestricted() const { return m_restricted; }

private:
    AppContext &m_ctx;
    bool m_restricted = false;
};
