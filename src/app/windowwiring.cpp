#include "app/windowwiring.h"

#include "app/aboutbox.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "app/windowopener.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "counter/labels/hangtagprint.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/externalchanges.h"
#include "maintenance/backupwindow.h"
#include "maintenance/connectionwindow.h"
#include "maintenance/migrationwindow.h"
#include "sales/cashdrawer.h"
#include "sales/checkoutpanel.h"
#include "sales/drawerlogwindow.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "sales/salesnotelayout.h"
#include "sales/thermalreceipt.h"
#include "stock/columnhiding/columnhiding.h"
#include "stock/excelimportwindow.h"
#include "stock/gridexport/gridexport.h"
#include "stock/gridprint/gridprint.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockinpanel.h"
#include "stock/stockqueryview.h"
#include "users/logindialog.h"
#include "users/loginlog.h"
#include "users/passwordchangewindow.h"
#include "users/usermanagementwindow.h"
#include "users/userrestrictions.h"
#include "widgets/busycursor.h"
#include "widgets/grid.h"

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QGuiApplication>
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
    void startNew() override { m_panel.startNewOrder(); }

private:
    SalePanel &m_panel;
};

// Shows the checkout panel in front, ready for the cash, or hides it.
void toggleCheckout(CheckoutPanel *checkout)
{
    checkout->setVisible(checkout->isHidden());
    if (!checkout->isHidden()) {
        checkout->raise();
        checkout->focusCash();
    }
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
    // Selling by scanning: a code starts (or adds to) a sale, Enter on an empty code confirms it
    // and the code field waits for the next scan.
    QObject::connect(grid, &StockQueryView::codeScanned, sale, &SalePanel::scanned);
    QObject::connect(grid, &StockQueryView::saleConfirmRequested, sale, [sale, grid] {
        if (sale->isHidden() || !sale->loadedStock())
            return;
        sale->post();
        if (sale->isHidden()) // posted
            grid->readyForScan();
    });
    QObject::connect(grid, &StockQueryView::scanNotice, &main,
                     [&main](const QString &text) { main.statusPanel(0)->setText(text); });
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
    QObject::connect(sale, &SalePanel::checkoutToggleRequested, checkout, [checkout] { toggleCheckout(checkout); });
}

// The sales note prints the texts of the receipt settings window and is asked for by the checkout
// panel's "销售单打印" and the sales details window's "销售单预览".
void wireSalesNote(WindowSet &w)
{
    ReceiptSettingsWindow *settings = w.receiptSettings;
    w.salesNote->setTexts([settings](const QString &name) { return settings->text(name); });
    QObject::connect(w.main->checkoutPanel(), &CheckoutPanel::salesNoteRequested, w.salesNote,
                     &SalesNoteLayout::previewOrder);
    QObject::connect(w.salesDetails, &SalesDetailsWindow::notePreviewRequested, w.salesNote,
                     &SalesNoteLayout::previewPickedOrder);
}

// How a report window's signed print is laid out below its heading.
struct SignatureLayout {
    int blankLines;
    QString datePlaceholder;
    int trailingBlanks;
};

// "导出Excel" and "打 印" of one report window go to the shared export and print of the grid
// `shownGrid` gives at the time of the request.
template <class Window, class ShownGrid>
void wireReport(AppContext &ctx, Window *window, ShownGrid shownGrid, const SignatureLayout &layout)
{
    QObject::connect(window, &Window::exportRequested, window,
                     [&ctx, shownGrid](const QString &title) { GridExport(ctx).runReport(*shownGrid(), title); });
    QObject::connect(window, &Window::printRequested, window, [&ctx, shownGrid, layout](const QString &title) {
        gridprint::preview(ctx.printing, ctx.messages, *shownGrid(),
                           gridprint::signedReport(title, title, layout.blankLines, layout.datePlaceholder,
                                                   layout.trailingBlanks, ctx.session.userName, ctx.clock.today()));
    });
}

// The sales details export and print the grid in view: the sale lines or the owed customers.
void wireReports(AppContext &ctx, WindowSet &w)
{
    SalesDetailsWindow *details = w.salesDetails;
    wireReport(ctx, details, [details] { return details->shownGrid(); }, {1, QStringLiteral("%[Today]"), 0});
    InventorySummaryWindow *summary = w.inventorySummary;
    wireReport(ctx, summary, [summary] { return summary->gridWidget(); }, {2, QStringLiteral("%[Today1]"), 70});
}

// The menus and the toolbar open the windows.
void wireCommands(AppContext &ctx, WindowSet &w)
{
    MainWindow &main = *w.main;
    const MainActions &a = main.actions();
    const MainToolbar &t = main.toolbar();
    StockInPanel *stockIn = main.stockInPanel();

    StockQueryView *grid = main.stockQuery();
    QObject::connect(a.exportExcel, &QAction::triggered, grid, &StockQueryView::exportGrid);
    QObject::connect(a.print, &QAction::triggered, grid, &StockQueryView::printGrid);
    QObject::connect(a.hangTags, &QAction::triggered, grid, [&ctx, grid] {
        const Grid &shown = *grid->gridWidget();
        QList<long long> keys;
        for (int row : shown.selectedRows())
            keys << shown.dataset().key(row);
        guarded(ctx.messages, [&] { HangTagPrint(ctx).run(keys); });
    });
    QObject::connect(a.newStockIn, &QAction::triggered, stockIn, &StockInPanel::openForNew);
    QObject::connect(a.modify, &QAction::triggered, stockIn, &StockInPanel::openForChange);
    QObject::connect(a.remove, &QAction::triggered, stockIn, &StockInPanel::removeCurrent);
    QObject::connect(a.excelImport, &QAction::triggered, w.excelImport, &QDialog::exec);
    QObject::connect(t.checkout, &QToolButton::clicked, &main, [&main] { toggleCheckout(main.checkoutPanel()); });

    auto openReceiptSettings = [&ctx, &main] {
        openWindow<ReceiptSettingsWindow>([&] { return new ReceiptSettingsWindow(ctx, &main); });
    };
    QObject::connect(a.printSettings, &QAction::triggered, &main, openReceiptSettings);
    QObject::connect(a.settingsPrint, &QAction::triggered, &main, openReceiptSettings);
    QObject::connect(a.openDrawer, &QAction::triggered, &main, [&ctx, settings = w.receiptSettings] {
        cashdrawer::openAlone(ctx, receipt::PrinterChoice::fromTexts(
                                       [settings](const QString &name) { return settings->text(name); }));
    });
    QObject::connect(a.drawerLog, &QAction::triggered, &main, [&ctx, &main] {
        openWindow<DrawerLogWindow>([&] { return new DrawerLogWindow(ctx, &main); });
    });
    QObject::connect(a.userManagement, &QAction::triggered, &main, [&ctx, &main] {
        openWindow<UserManagementWindow>([&] { return new UserManagementWindow(ctx, &main); });
    });
    QObject::connect(a.changePassword, &QAction::triggered, &main, [&ctx, &main] {
        openWindow<PasswordChangeWindow>([&] { return new PasswordChangeWindow(ctx, &main); });
    });
    QObject::connect(a.databaseConnection, &QAction::triggered, &main, [&ctx, &main] {
        ConnectionWindow window(ctx.settings, ctx.messages, &main);
        window.exec();
    });
    QObject::connect(a.migrateToServer, &QAction::triggered, &main, [&ctx, &main] {
        MigrationWindow window(ctx, &main);
        window.exec();
    });
    QObject::connect(a.exportToFile, &QAction::triggered, &main, [&ctx, &main] {
        ExportToFileWindow window(ctx, &main);
        window.exec();
    });
    // The main window stays hidden while the database file is backed up or restored, and comes back
    // once the backup window has opened the database again. Meanwhile a message box may be the
    // only window without an owner: its closing must not end the program.
    QObject::connect(t.backup, &QToolButton::clicked, &main, [&ctx, &main] {
        openWindow<BackupWindow>([&] {
            auto *backup = new BackupWindow(ctx, &main);
            QObject::connect(backup, &BackupWindow::closedWithDatabaseOpen, &main, [&main] {
                main.show();
                QGuiApplication::setQuitOnLastWindowClosed(true);
            });
            return backup;
        });
        QGuiApplication::setQuitOnLastWindowClosed(false);
        main.hide();
        // Windows opened before (the summary, the sales details, the user management …) would
        // read a closed database: they close with the main window.
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top != &main && !qobject_cast<BackupWindow *>(top))
                top->close();
        }
    });
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
    // However the sales details window was opened, neither floating panel is left when it closes.
    QObject::connect(w.salesDetails, &QDialog::finished, &main, [stockIn, sale = main.salePanel()] {
        stockIn->hide();
        sale->hide();
    });
    auto showSalesDetails = [&w] { w.salesDetails->exec(); };
    QObject::connect(t.salesDetails, &QToolButton::clicked, &main, showSalesDetails);
    QObject::connect(a.salesDetails, &QAction::triggered, &main, showSalesDetails);
    // Closing the sales details lists every stock row again, as "全部记录" does.
    QObject::connect(w.salesDetails, &SalesDetailsWindow::closed, &main, [&ctx, grid = main.stockQuery()] {
        guarded(ctx.messages, [&] { grid->refreshAll(); });
    });
}

// After a login: the user's grid settings, the full stock list, the user's name in the status bar
// and, for anyone but the superadministrator, the restrictions.
void prepareForUser(AppContext &ctx, WindowSet &w, ColumnHiding &mainGridHiding)
{
    MainWindow &main = *w.main;
    StockQueryView &grid = *main.stockQuery();
    const QString zeroStock = ctx.settings.exists() ? ctx.settings.read(QStringLiteral("n0")) : QString();
    if (zeroStock == QStringLiteral("no"))
        grid.setZeroStockHidden(true);
    else if (zeroStock == QStringLiteral("yes"))
        grid.setZeroStockHidden(false);
    grid.restoreLayout();
    // A layout saved before a column was hidden or shown again must not undo that choice: the
    // remembered choices stand over the restored layout, so every tick matches its columns.
    mainGridHiding.applyStored();
    // The login stands even when the grid cannot be filled; the error is shown.
    guarded(ctx.messages, [&] { grid.refreshAll(); });
    main.statusPanel(1)->setText(ctx.session.userName);
    // Last, so neither the restored layout nor the refill can show what a user may not see.
    if (!ctx.session.isSuperAdmin()) {
        const MainActions &a = main.actions();
        // Every user may change their own password ("修改密码" offers only theirs).
        userrestrictions::restrictMainWindow({{a.newStockIn, a.excelImport, a.modify, a.remove, a.userManagement,
                                               a.databaseConnection, a.migrateToServer, a.exportToFile,
                                               a.openDrawer, a.drawerLog},
                                              a.hideColumns,
                                              main.toolbar().newStockIn,
                                              &grid,
                                              main.salePanel()->saleDateField()});
        w.salesDetails->restrictForUser();
        w.inventorySummary->restrictForUser();
    }
    main.activateWindow();
    grid.focusNameField();
}

void wireStartAndLogin(AppContext &ctx, WindowSet &w)
{
    MainWindow &main = *w.main;
    // The main grid's "隐藏列": its remembered choices are the first thing the first show applies.
    auto *mainGridHiding = new ColumnHiding(*main.stockQuery()->gridWidget(), hideoptions::mainGrid(), ctx.settings,
                                            ctx.messages, &main);
    mainGridHiding->setObjectName(QStringLiteral("mainGridHiding"));
    mainGridHiding->addTo(main.actions().hideColumns);
    // Reading the saved widths again keeps the hide choices, as the login does.
    QObject::connect(main.actions().loadLayout, &QAction::triggered, mainGridHiding, &ColumnHiding::applyStored);
    QObject::connect(&main, &MainWindow::firstShowing, &main, [&ctx, &w, mainGridHiding] {
        mainGridHiding->applyStored();
        w.salesDetails->columnHiding()->applyStored();
        guarded(ctx.messages, [&] {
            w.salesDetails->loadThisMonth();
            w.main->salePanel()->refreshCustomerList();
        });
        w.receiptSettings->loadFromSettings();
    });
    QObject::connect(&main, &MainWindow::loginRequested, w.login, &QDialog::exec);
    QObject::connect(w.login, &LoginDialog::loggedIn, &main,
                     [&ctx, &w, mainGridHiding] { prepareForUser(ctx, w, *mainGridHiding); });
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

    QObject::connect(&events, &ShopEvents::salePosted, &main,
                     [&ctx, &w, grid, sale, checkout](const QString &order, long long stockKey) {
        guarded(ctx.messages, [&] {
            grid->rowWritten(stockKey);            // the sold row's new stock, with the conditions kept
            // Ready for the order's sales note. The order's lines are not listed: this month's
            // lines replace them at once.
            w.salesDetails->setOrderNumber(order);
            // A new customer joins the list, which is kept as it was otherwise: reading it again
            // would visit every sale line. The name stays for the order's next line.
            sale->customerPosted(sale->customerName());
            // Windows that are hidden read their rows when next shown.
            w.inventorySummary->refresh();
            w.salesDetails->refreshThisMonth();
            w.salesDetails->salesChanged({});      // marks the charts to be totalled when shown
            checkout->refresh();                    // the order with its new line
        });
    });
    QObject::connect(&events, &ShopEvents::saleLinesChanged, checkout, &CheckoutPanel::refresh);
    // A line corrected in the sales details may have joined or left the order being checked out.
    QObject::connect(&events, &ShopEvents::saleLinesEdited, checkout, &CheckoutPanel::refresh);
    QObject::connect(&events, &ShopEvents::saleLinesChanged, w.salesDetails, refreshing([&w] {
                         w.salesDetails->refreshThisMonth();
                         w.salesDetails->salesChanged({}); // back to profit, dates unknown
                     }));
    // A deleted line: the sales details drop it from what they list, the charts of its date are
    // totalled again, the order being checked out may have lost it. Each reads only what it shows.
    QObject::connect(&events, &ShopEvents::saleLineDeleted, w.salesDetails,
                     [&ctx, &w, checkout](long long line, const QDate &saleDate) {
                         guarded(ctx.messages, [&] {
                             w.salesDetails->lineDeleted(line, saleDate);
                             checkout->refresh();
                         });
                     });
    // Its stock given back: the main grid shows the row's new figures, the summary its totals.
    QObject::connect(&events, &ShopEvents::stockRowWritten, &main,
                     [&ctx, &w, grid](long long key, const QVariantHash &before) {
                         guarded(ctx.messages, [&] {
                             grid->stockRowWritten(key, before);
                             w.inventorySummary->refresh();
                         });
                     });
    QObject::connect(&events, &ShopEvents::databaseRestored, &main, [&ctx, sale] {
        guarded(ctx.messages, [&] {
            if (ctx.session.loginNumber != 0)
                loginlog::record(ctx, ctx.session.userName);
        });
        sale->followRestoredSales();
    });
    // Another program on the same file: what it wrote shows here as if written here, each view
    // keeping its place; the panels keep what is typed into them.
    QObject::connect(&events, &ShopEvents::writtenElsewhere, &main, [&ctx, &w, grid, sale, checkout] {
        guarded(ctx.messages, [&] {
            grid->rereadShown();
            sale->followStoredRow();
            checkout->refresh();
            w.inventorySummary->refresh();
            w.salesDetails->rereadShown();
            w.salesDetails->salesChanged({});
        });
    });
    QObject::connect(&events, &ShopEvents::databaseReopened, &main, [&ctx, &w, grid, sale, checkout] {
        guarded(ctx.messages, [&] {
            grid->refreshAll();
            w.salesDetails->loadThisMonth();
            w.salesDetails->salesChanged({});
            sale->refreshCustomerList();
            w.inventorySummary->refresh();
            checkout->refresh();
        });
    });
}

// Writes of other programs sharing the database file are noticed within half a second and
// announced; a file replaced by another program's restore is opened again. A write that waits for
// another program's save shows the hourglass.
void wireOtherPrograms(AppContext &ctx, WindowSet &w)
{
    showWaitCursorWhileBusy(ctx.db);
    auto *changes = new ExternalChanges(ctx.db, w.main);
    changes->setObjectName(QStringLiteral("externalChanges"));
    QObject::connect(changes, &ExternalChanges::written, &ctx.events, &ShopEvents::writtenElsewhere);
    QObject::connect(changes, &ExternalChanges::replaced, w.main, [&ctx] {
        if (guarded(ctx.messages, [&] { ctx.db.open(); }))
            emit ctx.events.databaseReopened();
    });
    changes->start();
}

} // namespace

void wireWindows(AppContext &ctx, WindowSet &windows)
{
    wirePanels(*windows.main, *windows.receiptSettings);
    wireSalesNote(windows);
    wireReports(ctx, windows);
    wireCommands(ctx, windows);
    wireStartAndLogin(ctx, windows);
    wireShopEvents(ctx, windows);
    wireOtherPrograms(ctx, windows);
}
