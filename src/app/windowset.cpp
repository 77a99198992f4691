#include "app/windowset.h"

#include "app/aboutbox.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "app/windowwiring.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salesdetailswindow.h"
#include "sales/salesnotelayout.h"
#include "stock/excelimportwindow.h"
#include "stock/inventorysummarywindow.h"
#include "users/logindialog.h"

WindowSet::~WindowSet() = default;

std::unique_ptr<WindowSet> createWindowSet(AppContext &ctx, const std::function<void()> &openDatabase)
{
    auto set = std::make_unique<WindowSet>();
    set->owner = std::make_unique<MainWindow>(ctx);
    MainWindow *main = set->owner.get();
    set->main = main;
    set->help = new HelpWindow(main);
    set->login = new LoginDialog(ctx, main);
    openDatabase();
    set->about = new AboutBox(main);
    set->salesDetails = new SalesDetailsWindow(ctx, main);
    set->inventorySummary = new InventorySummaryWindow(ctx, main);
    set->excelImport = new ExcelImportWindow(ctx, main);
    set->salesNote = new SalesNoteLayout(ctx, main);
    set->receiptSettings = new ReceiptSettingsWindow(ctx, main);
    wireWindows(ctx, *set);
    return set;
}
