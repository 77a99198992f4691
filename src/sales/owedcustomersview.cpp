#include "sales/owedcustomersview.h"

#include "data/routines.h"
#include "widgets/grid.h"

#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>

OwedCustomersView::OwedCustomersView(Database &db, QWidget *parent)
    : QWidget(parent), m_customers(db, QStringLiteral("OwedCustomersQuery"))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid = new Grid(m_customers, owedcustomers::gridColumns(), this);
    m_grid->setObjectName(QStringLiteral("owedCustomersGrid"));
    const QString hint = QStringLiteral("双击客户列出其欠款明细");
    m_grid->view()->setToolTip(hint);
    m_grid->view()->viewport()->setToolTip(hint);
    m_grid->view()->installEventFilter(this);
    layout->addWidget(m_grid);
    connect(m_grid, &Grid::rowDoubleClicked, this, &OwedCustomersView::open);
}

void OwedCustomersView::load(const std::optional<OwedCustomer> &keep)
{
    const std::optional<OwedCustomer> current = keep ? keep : currentCustomer();
    routines::open(m_customers, owedcustomers::customers());
    if (!current)
        return;
    for (int row = 0; row < m_customers.recordCount(); ++row) {
        if (owedcustomers::customerAt(m_customers, row) == *current) {
            m_customers.setCurrentRow(row);
            return;
        }
    }
}

void OwedCustomersView::close()
{
    m_customers.close();
}

std::optional<OwedCustomer> OwedCustomersView::currentCustomer() const
{
    const int row = m_customers.currentRow();
    if (!m_customers.isOpen() || row < 0 || row >= m_customers.recordCount())
        return std::nullopt;
    return owedcustomers::customerAt(m_customers, row);
}

void OwedCustomersView::open(int row)
{
    if (row >= 0 && row < m_customers.recordCount())
        emit customerOpened(owedcustomers::customerAt(m_customers, row));
}

bool OwedCustomersView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            open(m_customers.currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
