#pragma once

#include <QMainWindow>
#include <QTimer>

struct AppContext;
class QLabel;
class SuccessPrompt;
class StockInPanel;
class SalePanel;
class CheckoutPanel;
class StockQueryView;
class QAction;
class QMenu;
class QToolButton;

// The commands of the main window's menus, created here and connected by the parts that own them.
struct MainActions {
    // Pop-up menu of the main grid, in order.
    QAction *newStockIn = nullptr;
    QAction *excelImport = nullptr;
    QAction *modify = nullptr;
    QAction *remove = nullptr;
    QAction *allRecords = nullptr;
    QAction *exportExcel = nullptr;
    QAction *print = nullptr;
    QAction *hangTags = nullptr;
    QAction *salesDetails = nullptr;
    QAction *summary = nullptr;
    QMenu *hideColumns = nullptr;
    QAction *loadLayout = nullptr;
    QAction *saveLayout = nullptr;
    QAction *receiptPrint = nullptr;
    QAction *printSettings = nullptr;
    // Settings menu ("设 置").
    QAction *settingsPrint = nullptr;
    QAction *openDrawer = nullptr;  // the cash drawer by itself, for change
    QAction *drawerLog = nullptr;   // "钱箱记录"
    QAction *changePassword = nullptr;
    QAction *userManagement = nullptr;
    QAction *databaseConnection = nullptr;
    QAction *migrateToServer = nullptr;
    QAction *exportToFile = nullptr;
    QMenu *skins = nullptr;           // the five skins, checkable, in the order of `skin` "0" to "4"
    QAction *calculator = nullptr;
    QAction *notepad = nullptr;
    // Support menu ("技术支持").
    QAction *help = nullptr;
    QAction *upgrade = nullptr;
    QAction *website = nullptr;
    QAction *contact = nullptr;       // the maker's contact line: read, not clicked
    QAction *about = nullptr;
};

// The toolbar buttons, left to right.
struct MainToolbar {
    QToolButton *newStockIn = nullptr;
    QToolButton *salesDetails = nullptr;
    QToolButton *checkout = nullptr;
    QToolButton *summary = nullptr;
    QToolButton *backup = nullptr;
    QToolButton *settings = nullptr;
    QToolButton *support = nullptr;
};

// What the first show read from the settings, for the parts of the window that use it.
struct RestoredSettings {
    int skin = -1;                    // -1: the built-in look
    QString alarmNumber = QStringLiteral("5");
    long long orderCounter = 1;       // the next sales order counter
    QString storedSaleDate;           // sale date shown when the program last closed
};

// The main window "TMainForm": the stock grid on top, the query and toolbar area below, the
// floating panels over the grid, the status bar at the bottom. It gates everything behind the
// login and records the logout when it closes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 1031;
    static constexpr int kClientHeight = 636;
    static constexpr long long kLargestOrderCounter = 999'999'999'999;

    explicit MainWindow(AppContext &ctx);
    ~MainWindow() override;

    AppContext &context() const { return m_ctx; }

    QWidget *gridArea() const { return m_gridArea; }
    QWidget *lowerArea() const { return m_lowerArea; }
    // The place of the conditions group in the lower area, left of the toolbar.
    QWidget *queryArea() const { return m_queryArea; }
    StockQueryView *stockQuery() const { return m_stockQuery; }
    const MainActions &actions() const { return m_actions; }
    const MainToolbar &toolbar() const { return m_toolbar; }
    QMenu *gridMenu() const { return m_gridMenu; }
    QMenu *settingsMenu() const { return m_settingsMenu; }
    QMenu *supportMenu() const { return m_supportMenu; }
    StockInPanel *stockInPanel() const { return m_stockIn; }
    SalePanel *salePanel() const { return m_sale; }
    CheckoutPanel *checkoutPanel() const { return m_checkout; }
    SuccessPrompt *successPrompt() const { return m_prompt; }
    QLabel *statusPanel(int index) const { return m_status[index]; }
    const RestoredSettings &restored() const { return m_restored; }
    QTimer &dateRefillTimer() { return m_refillTimer; }

    // Shows `text` in the success prompt for two seconds.
    void showSuccess(const QString &text);

    // The steps of the first show; runs once, from the first showEvent (tests may call it).
    void firstShow();
    // The login gate: shown when the window is activated while nobody is logged in.
    void setLoginGateEnabled(bool enabled) { m_loginGate = enabled; }
    void runLoginGate();

signals:
    // The first show begins: the windows that load at start-up load now.
    void firstShowing();
    // Nobody is logged in: the login window is shown, modally, by whoever listens.
    void loginRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildStatusBar();
    void buildMenus();
    void buildToolbar();
    void connectCommands();
    // Opens `menu` below the toolbar button `button`.
    void dropDown(QMenu *menu, QToolButton *button);
    void chooseSkin(int index);
    void markSkin(int index);
    void readSettings();
    void refillEmptyDates();
    void recordLogout();

    AppContext &m_ctx;
    QWidget *m_gridArea;
    QWidget *m_lowerArea;
    QWidget *m_queryArea;
    StockQueryView *m_stockQuery = nullptr;
    MainActions m_actions;
    MainToolbar m_toolbar;
    QMenu *m_gridMenu = nullptr;
    QMenu *m_settingsMenu = nullptr;
    QMenu *m_supportMenu = nullptr;
    StockInPanel *m_stockIn;
    SalePanel *m_sale;
    CheckoutPanel *m_checkout;
    SuccessPrompt *m_prompt;
    QLabel *m_status[4] = {};
    QTimer m_refillTimer;
    RestoredSettings m_restored;
    bool m_firstShown = false;
    bool m_loginGate = true;
    bool m_loginShowing = false;
    bool m_closed = false;
};
