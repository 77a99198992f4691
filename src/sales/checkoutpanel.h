#pragma once

#include "widgets/floatingpanel.h"

#include <functional>

struct AppContext;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QToolButton;
namespace receipt {
struct Content;
struct Line;
struct PrinterChoice;
}

// The order the checkout panel shows: in the program, the one the sale panel's "销售单号：" names.
class CurrentOrder {
public:
    virtual ~CurrentOrder() = default;
    virtual QString number() const = 0;       // the untrimmed text of "销售单号："
    virtual QString customerName() const = 0; // the text of "客户名称："
    virtual void next() = 0;                  // "+"
    virtual void previous() = 0;              // "-"
    // After a receipt or a sales note: the following lines start a new order.
    virtual void startNew() = 0;
};

// The floating checkout panel: the lines of the current order with their total, the cash handed
// over and the change, the POS receipt, the sales note and moving between order numbers.
class CheckoutPanel : public FloatingPanel {
    Q_OBJECT
public:
    CheckoutPanel(AppContext &ctx, QWidget *parent);
    ~CheckoutPanel() override;

    // Where the current order comes from (not owned).
    void setOrder(CurrentOrder *order);
    // Where the receipt's texts and the choice of printer come from, by settings name ("pos1" …,
    // "posprinter" …); empty until one is given: the system's printer.
    using TextSource = std::function<QString(const QString &name)>;
    void setReceiptTexts(TextSource source) { m_receiptTexts = std::move(source); }
    // How long a receipt printer may take to connect and take a receipt.
    void setPrinterTimeout(int milliseconds) { m_printerTimeoutMs = milliseconds; }

    // Lists the lines of the current order again and totals them; works while hidden.
    void refresh();
    // Sets the text of "现金：".
    void setCash(const QString &text);
    // Puts the cursor into "现金：", where the next thing is typed.
    void focusCash();

    // "POS小票打印": reads the order again, checks the cash against its total, prints the receipt
    // and moves to a new order; a receipt that did not print leaves the order where it is.
    void printReceipt();
    // "销售单打印": asks for the order's sales note (an order without lines is refused with
    // "先进行销售") and moves to a new order in either case.
    void printSalesNote();

signals:
    // The sales note of this order number should be printed (for the sales note, once it exists).
    void salesNoteRequested(const QString &orderNumber);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class LinesModel;

    QString orderNumber() const;
    void loadLines();
    double showLines();
    void updateChange();
    void updateChangeIfNumber();
    QString receiptText(const QString &name) const;
    receipt::Content receiptContent(double total, double cash, double change) const;
    bool printOnSystemPrinter(const QList<receipt::Line> &lines);
    bool printOnReceiptPrinter(const QList<receipt::Line> &lines, const receipt::PrinterChoice &printer,
                               bool cashReceived);

    AppContext &m_ctx;
    CurrentOrder *m_order = nullptr;
    TextSource m_receiptTexts;
    int m_printerTimeoutMs;

    QLabel *m_customer;
    QPushButton *m_previous;
    QPushButton *m_next;
    QToolButton *m_close;
    LinesModel *m_model;
    QTableView *m_lines;
    QTableWidget *m_footer;
    QLineEdit *m_total;
    QLineEdit *m_cash;
    QLineEdit *m_change;
    QPushButton *m_posPrint;
    QPushButton *m_notePrint;
};
