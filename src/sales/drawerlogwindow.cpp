#include "sales/drawerlogwindow.h"

#include "common/appcontext.h"
#include "common/guard.h"
#include "sales/cashdrawer.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

DrawerLogWindow::DrawerLogWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("DrawerLogWindow"));
    setWindowTitle(QStringLiteral("钱箱记录"));
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("openings"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("打开时间"), QStringLiteral("操作员"), QStringLiteral("销售单号")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(0, 160);
    m_table->setColumnWidth(1, 110);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    resize(460, 380);
}

void DrawerLogWindow::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}

void DrawerLogWindow::refresh()
{
    guarded(m_ctx.messages, [&] {
        const QList<cashdrawer::Opening> list = cashdrawer::openings(m_ctx.db);
        m_table->setRowCount(int(list.size()));
        for (int row = 0; row < list.size(); ++row) {
            const cashdrawer::Opening &o = list.at(row);
            const QString order = o.orderNumber.isEmpty() ? QStringLiteral("（无销售）") : o.orderNumber;
            const QStringList texts{o.at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), o.user, order};
            for (int column = 0; column < texts.size(); ++column)
                m_table->setItem(row, column, new QTableWidgetItem(texts.at(column)));
        }
    });
}
