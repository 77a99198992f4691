#pragma once

#include "data/statement.h"
#include "sales/ordernumber.h"
#include "sales/saleposting.h"
#include "widgets/floatingpanel.h"

#include <optional>

struct AppContext;
class DateEdit;
class NumberEdit;
class NumberSpinBox;
class OnDemandComboBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// The floating sale panel: price, quantity, customer and order number of one sale line. A
// double-click on a stock row of the main grid loads that row; "销售确认" posts the sale line
// against exactly that row.
class SalePanel : public FloatingPanel {
    Q_OBJECT
public:
    SalePanel(AppContext &ctx, QWidget *parent);

    // The first show: the sale date becomes today, and the order counter read at start-up
    // (`danhao` + 1, or 1) with the sale date stored at the last close (`riqi`, empty when none)
    // is taken up, past every order of today already stored.
    void startDay(long long counter, const QString &storedSaleDate);

    DateEdit *saleDateField() const { return m_saleDate; }
    OnDemandComboBox *customerField() const { return m_customer; }
    // The sales order number shown in "销售单号：".
    QString orderNumber() const;
    QString customerName() const;
    const OrderCounter &orderCounter() const { return m_counter; }
    // The stock row the panel holds, if a sale has been started and the panel not hidden since.
    const std::optional<LoadedStock> &loadedStock() const { return m_loaded; }

    // Starts a sale of row `row` of the main grid (the double-click).
    void startSale(int row);
    // A code scanned for the stock row `key`: starts a sale of it at quantity 1, or, when the
    // panel already holds that row, adds one to the quantity. The focus is left where it is.
    void scanned(long long key);
    // Recomputes the sale amount from the loaded row when price and quantity are given; a text
    // that is not a number raises a ConversionError.
    void compute();
    // "退": turns the quantity into a return and back.
    void toggleReturn();
    // Quantity "1", owed amount "0", actual price empty.
    void clear();
    // The close icon: hide, clear, and stop a pending stock modify.
    void closePanel();
    // Builds the sales order number from today's date and the counter.
    void buildOrderNumberField();
    // "+" and "-" (also "下一单" and "上一单" of the checkout panel): browse the order numbers.
    void nextOrder();
    void previousOrder();
    // After a receipt or a sales note: the next number that no stored order of today holds.
    void startNewOrder();
    // After a restore the sale lines are the restored file's: numbering goes on from the first
    // number of today above them, whatever this run had reached, and is stored so.
    void followRestoredSales();
    // Empties "客户名称：" and has the known customers read again when the list is next used
    // (opened or given the focus): reading them visits every sale line.
    void refreshCustomerList();
    // A sale line was posted for `name`: the list gains the name if it lacks it, without reading
    // the sale lines again.
    void customerPosted(const QString &name);
    // Puts a name into "客户名称：" without looking up its address.
    void setCustomerQuietly(const QString &name);
    // A click on a row of the main grid: a click on another row closes the panel.
    void rowClicked(int row);

    // After another program wrote to the file: the stock quantity shown follows the loaded row
    // as it is now stored.
    void followStoredRow();

    // "销售确认": checks, posts, and brings the other windows up to date.
    void post();
    // The reduced "销售确认" reachable only with Tab: compute, two checks, post, full list.
    void reducedPost();
    // "增加销售": the posting step alone.
    void appendSale();

    void setVisible(bool visible) override;

    // What a typed customer name fills in: the address and contact (h, i) of that customer's sale
    // lines, the first pair in their order.
    static Statement customerLookup(const QString &name);
    // What a typed order number fills in: customer, address, contact and remark (g, h, i, j) of
    // that order's lines, the first set in their order.
    static Statement orderLookup(const QString &orderNumber);

signals:
    // A sale was started (true) or the panel closed (false): the stock-in panel's "修改入库"
    // follows this.
    void stockModifyEnabled(bool enabled);
    // The current order changed (another number, or a sale started): its lines are listed again.
    void currentOrderChanged();
    // "+" or "-" moved to another order: no cash has been handed over for it yet.
    void orderStepped();
    // "预览": the checkout panel is shown or hidden.
    void checkoutToggleRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFields();
    // Loads `stock` into the panel and shows it, opening the order for this program when it is
    // the first sale; false (nothing done) for a row without a name.
    bool begin(const LoadedStock &stock);
    void buildHiddenButtons();
    void connectFields();
    void updateAmount();
    // A new day since the sale date was last set: a sale date still showing that day moves on.
    void followCalendar();
    long long firstFreeCounter() const;
    // Opens, for this program, the first free order number not below `atLeast` and moves the
    // counter to it.
    void claimCounter(long long atLeast);
    // After the counter moved: the number, the checkout, a cash field at "0", the customer list.
    void showSteppedOrder();
    // The quantity checks of a posting: not 0, not more than the stock. An empty quantity passes
    // (the required-field check stops it).
    bool quantityAllowed();
    void applyDiscount();
    void customerEdited(const QString &text);
    void orderNumberChanged(const QString &text);
    // Posts the sale; false when it was refused for want of stock (the panel then shows the row as
    // it now is).
    bool writeSale();
    SaleEntry entry() const;

    AppContext &m_ctx;
    std::optional<LoadedStock> m_loaded;
    OrderCounter m_counter;
    // This run of the program, as it is named beside the order numbers it opens.
    QString m_claimant;
    // Whether the counter stands on a number opened for this run or chosen by hand; a number taken
    // over at start-up is opened when the first sale starts.
    bool m_counterClaimed = false;
    int m_clickedRow = -1;
    QDate m_calendarDay; // the day the program last put into "销售日期："

    QLineEdit *m_name;
    QLineEdit *m_model;
    QLineEdit *m_code;
    QLineEdit *m_category;
    QLineEdit *m_listPrice;
    NumberEdit *m_actualPrice;
    NumberSpinBox *m_discount;
    NumberSpinBox *m_quantity;
    QPushButton *m_returnButton;
    QLineEdit *m_stockQuantity;
    QLineEdit *m_saleAmount;
    NumberEdit *m_owed;
    DateEdit *m_saleDate;
    QLineEdit *m_orderNumber;
    QToolButton *m_nextButton;
    QToolButton *m_previousButton;
    OnDemandComboBox *m_customer;
    QLineEdit *m_address;
    QLineEdit *m_contact;
    QLineEdit *m_remark;
    QToolButton *m_confirm;
    QPushButton *m_preview;
    QToolButton *m_close;
};
