#pragma once

#include <QMainWindow>
#include <QTimer>

struct AppContext;
struct WindowSet;
class QLabel;
class SuccessPrompt;
class StockInPanel;
class SalePanel;
class CheckoutPanel;

// What the first show read from the settings, for the parts of the window that use it.
struct RestoredSettings {
    int skin = -1;                    // -1: the built-in look
    QString alarmNumber = QStringLiteral("5");
    int orderCounter = 1;             // the next sales order counter
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

    explicit MainWindow(AppContext &ctx);
    ~MainWindow() override;

    AppContext &context() const { return m_ctx; }
    void setWindows(WindowSet *windows) { m_windows = windows; }
    WindowSet *windows() const { return m_windows; }

    QWidget *gridArea() const { return m_gridArea; }
    QWidget *lowerArea() const { return m_lowerArea; }
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

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildStatusBar();
    void readSettings();
    void refillEmptyDates();
    void recordLogout();

    AppContext &m_ctx;
    WindowSet *m_windows = nullptr;
    QWidget *m_gridArea;
    QWidget *m_lowerArea;
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
