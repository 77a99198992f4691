#pragma once

#include <QDialog>

struct AppContext;
class QTableWidget;

// "钱箱记录": every opening of the cash drawer, the latest first, with who opened it and the
// order number of the sale, or "（无销售）" when it was opened by itself.
class DrawerLogWindow : public QDialog {
    Q_OBJECT
public:
    DrawerLogWindow(AppContext &ctx, QWidget *parent = nullptr);

    // Reads the openings again.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    AppContext &m_ctx;
    QTableWidget *m_table;
};
