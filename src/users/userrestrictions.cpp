#include "users/userrestrictions.h"

#include "stock/stockqueryview.h"
#include "widgets/dateedit.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace userrestrictions {

namespace {

// Hidden and disabled, so neither the menu nor a shortcut nor a connected button can run it.
void withdraw(QAction *action)
{
    if (!action)
        return;
    action->setVisible(false);
    action->setEnabled(false);
}

} // namespace

void restrictMainWindow(const MainWindowParts &parts)
{
    for (QAction *action : parts.commands)
        withdraw(action);
    if (parts.hideColumns) {
        // The purchase price and amount columns stay hidden, so their switches go too.
        for (QAction *action : parts.hideColumns->actions()) {
            if (action->text() == QStringLiteral("隐藏进货单价") || action->text() == QStringLiteral("隐藏金额"))
                withdraw(action);
        }
    }
    if (parts.stockInButton) {
        parts.stockInButton->hide();
        parts.stockInButton->setEnabled(false);
    }
    // Purchase unit price, purchase amount and stock value.
    if (parts.stockQuery)
        parts.stockQuery->hideColumns({QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("8")});
    if (parts.saleDate)
        parts.saleDate->setReadOnly(true);
}

} // namespace userrestrictions
