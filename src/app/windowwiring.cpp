#include "app/windowwiring.h"

#include "app/aboutbox.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "app/windowopener.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "common/guard.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "sales/checkoutpanel.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockinpanel.h"
#include "stock/stockqueryview.h"
#include "users/logindialog.h"
#include "users/userrestrictions.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>

namespace {

// The sale panel's "销售单号：" is the order the checkout panel shows and steps through.
class SalePanelOrder : public QObject, public CurrentOrder {
public:
    SalePanelOrder(SalePanel &panel, QObject *parent) : QObject(parent), m_panel(panel) {}
    QString number() const override { return m_panel.orderNumber(); }
    QString customerName() const override { return m_panel.customerName(); }
    void next() override { m_panel.nextOrder(); }
    void previous() override { m_panel.previousOrder(); }
    void startNew() override { m_panel.nextOrder(); }

private:
    SalePanel &m_panel;
};

void toggle(QWidget *panel)
{
    panel->setVisible(panel->isHidden());
    if (!panel->isHidden())
        panel->raise();
}

// Where the floating panels sit, which one hides which, and what the main grid's clicks do.
void wirePanels(MainWindow &main, ReceiptSettingsWindow &receiptSettings)
{
    StockQueryView *grid = main.stockQuery();
    StockInPanel *stockIn = main.stockInPanel();
    SalePanel *sale = main.salePanel();
    CheckoutPanel *checkout = main.checkoutPanel();

    sale->move(MainWindow::kClientWidth - sale->width() - 24, 2);
    checkout->move(10, 10);
    checkout->setOrder(new SalePanelOrder(*sale, checkout));
    checkout->setReceiptTexts([&receiptSettings](const QString &name) { return receiptSettings.text(name); });
    grid->setStockInLists({stockIn->categoryList(), stockIn->nameList(), stockIn->modelList(), stockIn->codeList(),
                           stockIn->supplierList()});

    // A click on another row forgets what either panel was loaded from.
    QObject::connect(grid, &StockQueryView::rowClicked, stockIn, &StockInPanel::rowClicked);
    QObject::connect(grid, &StockQueryView::rowClicked, sale, &SalePanel::rowClicked);
    QObject::connect(grid, &StockQueryView::rowDoubleClicked, sale, &SalePanel::startSale);
    // Rows the panels were loaded from may have moved: a reload or a sort closes them.
    QObject::connect(grid, &StockQueryView::reloaded, sale, &QWidget::hide);
    for (auto signal : {&StockQueryView::aboutToSort, &StockQueryView::sorted}) {
        QObject::connect(grid, signal, sale, &QWidget::hide);
        QObject::connect(grid, signal, stockIn, &QWidget::hide);
    }

    QObject::connect(stockIn, &StockInPanel::openedForNew, checkout, &QWidget::hide);
    for (auto signal : {&StockInPanel::openedForNew, &StockInPanel::openedForChange, &StockInPanel::removeRequested})
        QObject::connect(stockIn, signal, sale, &QWidget::hide);
    QObject::connect(sale, &SalePanel::stockModifyEnabled, stockIn,
                     [stockIn](bool enabled) { enabled ? stockIn->enableModify() : stockIn->disableModify(); });

    QObject::connect(sale, &SalePanel::currentOrderChanged, checkout, &CheckoutPanel::refresh);
    QObject::connect(sale, &SalePanel::orderStepped, checkout, [checkout] { checkout->setCash(QStringLiteral("0")); });
    QObject::connect(sale, &SalePanel::checkoutToggleRequested, checkout, [checkout] { toggle(checkout); });
}

// The menus and the toolbar open the windows.
void wireCommands(AppContext &ctx, WindowSet &w)
{
    MainWindow &main = *w.main;
    const MainActions &a = main.actions();
    const MainToolbar &t = main.toolbar();
    StockInPanel *stockIn = main.stockInPanel();

    QObject::connect(a.newStockIn, &QAction::triggered, stockIn, &StockInPanel::openForNew);
    QObject::connect(a.modify, &QAction::triggered, stockIn, &StockInPanel::openForChange);
    QObject::connect(a.remove, &QAction::triggered, stockIn, &StockInPanel::removeCurrent);
    QObject::connect(t.checkout, &QToolButton::clicked, &main, [&main] { toggle(main.checkoutPanel()); });

    auto openReceiptSettings = [&ctx, &main] {
        openWindow<ReceiptSettingsWindow>([&] { return new ReceiptSettingsWindow(ctx, &main); });
    };
    QObject::connect(a.printSettings, &QAction::triggered, &main, openReceiptSettings);
    QObject::connect(a.settingsPrint, &QAction::triggered, &main, openReceiptSettings);
    QObject::connect(a.help, &QAction::triggered, w.help, [help = w.help] {
        help->show();
        help->raise();
    });
    QObject::connect(a.about, &QAction::triggered, w.about, &QDialog::exec);
    QObject::connect(t.summary, &QToolButton::clicked, w.inventorySummary, &QDialog::exec);
    QObject::connect(a.summary, &QAction::triggered, w.inventorySummary, [summary = w.inventorySummary] {
        summary->show();
        summary->raise();
    });
    auto showSalesDetails = [&w] {
        w.salesDetails->exec();
        w.main->stockInPanel()->hide();
        w.main->salePanel()->hide();
    };
    QObject::connect(t.salesDetails, &QToolButton::clicked, &main, showSalesDetails);
    QObject::connect(a.salesDetails, &QAction::triggered, &main, showSalesDetails);
    // A correction in the sales details narrows the main grid to the stock row it gave back to:
    // closing the window lists every stock row again.
    QObject::connect(w.salesDetails, &SalesDetailsWindow::closed, &main, [&ctx, grid = main.stockQuery()] {
        guarded(ctx.messages, [&] { grid->refreshAll(); });
    });
}

// After a login: the user's grid settings, the full stock list, the user's name in the status bar
// and, for anyone but the superadministrator, the restrictions.
void prepareForUser(AppContext &ctx, WindowSet &w)
{
    MainWindow &main = *w.main;
    StockQueryView &grid = *main.stockQuery();
    const QString zeroStock = ctx.settings.exists() ? ctx.settings.read(QStringLiteral("n0")) : QString();
    if (zeroStock == QStringLiteral("no"))
        grid.setZeroStockHidden(true);
    else if (zeroStock == QStringLiteral("yes"))
        grid.setZeroStockHidden(false);
    grid.restoreLayout();
    // The login stands even when the grid cannot be filled; the error is shown.
    guarded(ctx.messages, [&] { grid.refreshAll(); });
    main.statusPanel(1)->setText(ctx.session.userName);
    // Last, so neither the restored layout nor the refill can show what a user may not see.
    if (!ctx.session.isSuperAdmin()) {
        const MainActions &a = main.actions();
        userrestrictions::restrictMainWindow({{a.newStockIn, a.modify, a.remove, a.changePassword, a.userManagement},
                                              a.hideColumns,
                                              main.toolbar().newStockIn,
                                              &grid,
                                              main.salePanel()->saleDateField()});
        w.salesDetails->restrictForUser();
        w.inventorySummary->restrictForUser();
    }
    main.activateWindow();
}

void wireStartAndLogin(AppContext &ctx, WindowSet &w)
{
    MainWindow &main = *w.main;
    QObject::connect(&main, &MainWindow::firstShowing, &main, [&ctx, &w] {
        guarded(ctx.messages, [&] {
            w.salesDetails->loadThisMonth();
            w.main->salePanel()->refreshCustomerList();
        });
        w.receiptSettings->loadFromSettings();
    });
    QObject::connect(&main, &MainWindow::loginRequested, w.login, &QDialog::exec);
    QObject::connect(w.login, &LoginDialog::loggedIn, &main, [&ctx, &w] { prepareForUser(ctx, w); });
}

// What each announced change of the shop's data refreshes, in order.
void wireShopEvents(AppContext &ctx, WindowSet &w)
{
    ShopEvents &events = ctx.events;
    MainWindow &main = *w.main;
    StockQueryView *grid = main.stockQuery();
    SalePanel *sale = main.salePanel();
    CheckoutPanel *checkout = main.checkoutPanel();
    auto refreshing = [&ctx](auto step) { return [&ctx, step] { guarded(ctx.messages, step); }; };

    QObject::connect(&events, &ShopEvents::succeeded, &main, &MainWindow::showSuccess);
    QObject::connect(&events, &ShopEvents::stockRowsChanged, &main, refreshing([grid] { grid->refreshAll(); }));

    QObject::connect(&events, &ShopEvents::salePosted, &main, [&ctx, &w, grid, sale, checkout](const QString &order) {
        guarded(ctx.messages, [&] {
            grid->runQuery();                       // the sold row's new stock, with the conditions kept
            w.salesDetails->queryOrderNumber(order); // ready for the order's sales note
            const QString customer = sale->customerName();
            sale->refreshCustomerList();            // a new customer joins the list
            w.inventorySummary->refresh();
            w.salesDetails->loadThisMonth();
            sale->setCustomerQuietly(customer);     // the next line of the order keeps its customer
            checkout->refresh();                    // the order with its new line
        });
    });
    QObject::connect(&events, &ShopEvents::saleLinesChanged, checkout, &CheckoutPanel::refresh);
    QObject::connect(&events, &ShopEvents::saleLinesChanged, w.salesDetails, refreshing([&w] {
                         w.salesDetails->loadThisMonth();
                         w.salesDetails->refreshCharts(); // back to profit, as after a deleted line
                     }));
    QObject::connect(&events, &ShopEvents::databaseReopened, &main, [&ctx, &w, grid, sale, checkout] {
        guarded(ctx.messages, [&] {
            grid->refreshAll();
            w.salesDetails->loadThisMonth();
            sale->refreshCustomerList();
            w.inventorySummary->refresh();
            checkout->refresh();
        });
    });
}

} // namespace

void wireWindows(AppContext &ctx, WindowSet &windows)
{
    wirePanels(*windows.main, *windows.receiptSettings);
    wireCommands(ctx, windows);
    wireStartAndLogin(ctx, windows);
    wireShopEvents(ctx, windows);
}
