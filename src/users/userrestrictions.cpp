#include "users/userrestrictions.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockqueryview.h"
#include "widgets/dateedit.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

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

void restrictMainWindow(MainWindow &main)
{
    const MainActions &a = main.actions();
    for (QAction *action : {a.newStockIn, a.modify, a.remove, a.changePassword, a.userManagement})
        withdraw(action);
    if (a.hideColumns) {
        // The purchase price and amount columns stay hidden, so their switches go too.
        for (QAction *action : a.hideColumns->actions()) {
            if (action->text() == QStringLiteral("隐藏进货单价") || action->text() == QStringLiteral("隐藏金额"))
                withdraw(action);
        }
    }
    if (QToolButton *button = main.toolbar().newStockIn) {
        button->hide();
        button->setEnabled(false);
    }
    // Purchase unit price, purchase amount and stock value.
    main.stockQuery()->hideColumns({QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("8")});
    main.salePanel()->saleDateField()->setReadOnly(true);
}

} // namespace

void applyForSession(MainWindow &main)
{
    if (main.context().session.isSuperAdmin())
        return;
    restrictMainWindow(main);
    if (WindowSet *windows = main.windows()) {
        windows->salesDetails->restrictForUser();
        windows->inventorySummary->restrictForUser();
    }
}

} // namespace userrestrictions
