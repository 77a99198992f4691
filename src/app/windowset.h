#pragma once

#include <functional>
#include <memory>

struct AppContext;
class MainWindow;
class HelpWindow;
class LoginDialog;
class AboutBox;
class SalesDetailsWindow;
class InventorySummaryWindow;
class ExcelImportWindow;
class SalesNoteLayout;
class ReceiptSettingsWindow;

// The windows that live for the whole run, created hidden at start-up in this order. The main
// window owns the others.
struct WindowSet {
    MainWindow *main = nullptr;
    HelpWindow *help = nullptr;
    LoginDialog *login = nullptr;
    AboutBox *about = nullptr;
    SalesDetailsWindow *salesDetails = nullptr;
    InventorySummaryWindow *inventorySummary = nullptr;
    ExcelImportWindow *excelImport = nullptr;
    SalesNoteLayout *salesNote = nullptr;
    ReceiptSettingsWindow *receiptSettings = nullptr;
    std::unique_ptr<MainWindow> owner;
    ~WindowSet();
};

// Creates the window set; `openDatabase` runs after the login window (where the data module comes
// to life) and may throw to stop start-up.
std::unique_ptr<WindowSet> createWindowSet(AppContext &ctx, const std::function<void()> &openDatabase);
