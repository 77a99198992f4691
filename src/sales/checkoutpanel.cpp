#include "sales/checkoutpanel.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/fieldvalue.h"
#include "common/guard.h"
#include "common/numbertext.h"
#include "common/printing.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "sales/cashdrawer.h"
#include "sales/receiptjob.h"
#include "sales/receiptlines.h"
#include "sales/thermalreceipt.h"
#include "widgets/numberedit.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct LineColumn {
    const char *title;
    const char *column; // of data1
    bool number;
    int width;
};

const LineColumn kColumns[] = {
    {"商品名称", "a", false, 160},
    {"规格型号", "b", false, 120},
    {"数量", "3", true, 70},
    {"单价", "2", true, 80},
    {"金额", "4", true, 90},
};
constexpr int kColumnCount = int(std::size(kColumns));
enum FooterColumn { NameColumn = 0, SpecColumn = 1, QuantityColumn = 2, AmountColumn = 4 };

} // namespace

// The loaded order lines, read-only, numbers as general number text.
class CheckoutPanel::LinesModel : public QAbstractTableModel {
public:
    explicit LinesModel(Dataset &lines, QObject *parent) : QAbstractTableModel(parent), m_lines(lines)
    {
        connect(&m_lines, &Dataset::reset, this, [this] {
            beginResetModel();
            endResetModel();
        });
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_lines.recordCount(); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : kColumnCount; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || !m_lines.isOpen())
            return {};
        const LineColumn &column = kColumns[index.column()];
        if (role == Qt::TextAlignmentRole)
            return column.number ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        const QVariant value = m_lines.value(index.row(), QString::fromLatin1(column.column));
        if (!column.number || value.isNull())
            return value.toString();
        return numbertext::general(value.toDouble());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QString::fromUtf8(kColumns[section].title);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    Dataset &m_lines;
};

CheckoutPanel::CheckoutPanel(AppContext &ctx, QWidget *parent)
    : FloatingPanel(parent), m_ctx(ctx), m_printerTimeoutMs(kPrinterPortTimeoutMs)
{
    setObjectName(QStringLiteral("CheckoutPanel"));

    m_customer = new QLabel(QStringLiteral("客户名称："), this);
    m_customer->setObjectName(QStringLiteral("customerCaption"));
    m_previous = new QPushButton(QStringLiteral("上一单"), this);
    m_previous->setObjectName(QStringLiteral("previousOrderButton"));
    m_next = new QPushButton(QStringLiteral("下一单"), this);
    m_next->setObjectName(QStringLiteral("nextOrderButton"));
    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setText(QStringLiteral("×"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(QStringLiteral("关闭"));

    m_model = new LinesModel(ctx.data.orderLinesQuery, this);
    m_lines = new QTableView(this);
    m_lines->setObjectName(QStringLiteral("orderLines"));
    m_lines->setModel(m_model);
    m_lines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lines->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lines->verticalHeader()->hide();
    m_lines->verticalHeader()->setDefaultSectionSize(22);
    m_lines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_lines->horizontalHeader()->setStretchLastSection(true);

    // The footer row under the grid: the order number and the column sums.
    m_footer = new QTableWidget(1, kColumnCount, this);
    m_footer->setObjectName(QStringLiteral("orderFooter"));
    m_footer->horizontalHeader()->hide();
    m_footer->verticalHeader()->hide();
    m_footer->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_footer->setSelectionMode(QAbstractItemView::NoSelection);
    m_footer->setFocusPolicy(Qt::NoFocus);
    m_footer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_footer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_footer->verticalHeader()->setDefaultSectionSize(22);
    m_footer->setFixedHeight(24);
    m_footer->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < kColumnCount; ++c) {
        m_lines->setColumnWidth(c, kColumns[c].width);
        m_footer->setColumnWidth(c, kColumns[c].width);
        auto *item = new QTableWidgetItem;
        item->setTextAlignment(kColumns[c].number ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        m_footer->setItem(0, c, item);
    }
    m_footer->item(0, NameColumn)->setText(QStringLiteral("销售单号："));
    m_footer->item(0, QuantityColumn)->setText(QStringLiteral("0"));
    m_footer->item(0, AmountColumn)->setText(QStringLiteral("0"));
    connect(m_lines->horizontalHeader(), &QHeaderView::sectionResized, m_footer,
            [this](int column, int, int width) { m_footer->setColumnWidth(column, width); });

    auto *payment = new QGroupBox(this);
    payment->setObjectName(QStringLiteral("paymentGroup"));
    m_total = new QLineEdit(QStringLiteral("0"), payment);
    m_total->setObjectName(QStringLiteral("totalField"));
    m_total->setReadOnly(true);
    m_cash = new NumberEdit(payment);
    m_cash->setObjectName(QStringLiteral("cashField"));
    m_change = new QLineEdit(QStringLiteral("0"), payment);
    m_change->setObjectName(QStringLiteral("changeField"));
    m_change->setReadOnly(true);
    m_posPrint = new QPushButton(QStringLiteral("POS小票打印"), payment);
    m_posPrint->setObjectName(QStringLiteral("posPrintButton"));
    m_notePrint = new QPushButton(QStringLiteral("销售单打印"), this);
    m_notePrint->setObjectName(QStringLiteral("notePrintButton"));
    for (QPushButton *button : {m_previous, m_next, m_posPrint, m_notePrint})
        button->setAutoDefault(true); // Enter on the focused button presses it
    for (QLineEdit *field : {m_total, m_cash, m_change})
        field->setFixedWidth(72);

    auto *paymentLayout = new QHBoxLayout(payment);
    paymentLayout->setContentsMargins(6, 4, 6, 4);
    for (auto [caption, field] : {std::pair{"合计：", m_total}, std::pair{"现金：", m_cash}, std::pair{"找零：", m_change}}) {
        paymentLayout->addWidget(new QLabel(QString::fromUtf8(caption), payment));
        paymentLayout->addWidget(field);
    }
    paymentLayout->addWidget(m_posPrint);

    auto *top = new QHBoxLayout;
    top->addWidget(m_customer, 1);
    top->addWidget(m_previous);
    top->addWidget(m_next);
    top->addWidget(m_close, 0, Qt::AlignTop);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(payment, 1);
    bottom->addWidget(m_notePrint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 8);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addSpacing(4);
    layout->addWidget(m_lines, 1);
    auto *footerRow = new QHBoxLayout; // the footer ends where the grid's scroll bar begins
    footerRow->addWidget(m_footer);
    footerRow->addSpacing(m_lines->verticalScrollBar()->sizeHint().width());
    layout->addLayout(footerRow);
    layout->addSpacing(4);
    layout->addLayout(bottom);
    setFixedSize(560, 330);

    connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_previous, &QPushButton::clicked, this, [this] {
        if (m_order)
            m_order->previous();
    });
    connect(m_next, &QPushButton::clicked, this, [this] {
        if (m_order)
            m_order->startNew();
    });
    connect(m_posPrint, &QPushButton::clicked, this, &CheckoutPanel::printReceipt);
    connect(m_notePrint, &QPushButton::clicked, this, &CheckoutPanel::printSalesNote);
    connect(m_total, &QLineEdit::textChanged, this, &CheckoutPanel::updateChangeIfNumber);
    connect(m_cash, &QLineEdit::textChanged, this, &CheckoutPanel::updateChangeIfNumber);
    connect(m_cash, &QLineEdit::returnPressed, m_posPrint, [this] { m_posPrint->setFocus(); });
    m_cash->installEventFilter(this);
}

CheckoutPanel::~CheckoutPanel() = default;

void CheckoutPanel::setOrder(CurrentOrder *order)
{
    m_order = order;
}

QString CheckoutPanel::orderNumber() const
{
    return m_order ? m_order->number() : QString();
}

void CheckoutPanel::loadLines()
{
    // Exactly the lines of this order: a number that merely contains it is another order.
    routines::open(m_ctx.data.orderLinesQuery,
                   Statement(QStringLiteral("select * from data1 where z=? order by ID"), {orderNumber().trimmed()}));
}

// Reads the order's lines and shows them with their totals; returns the total of "金额".
double CheckoutPanel::showLines()
{
    loadLines();
    const Dataset &lines = m_ctx.data.orderLinesQuery;
    const double total = lines.sum(QStringLiteral("4"));
    m_footer->item(0, SpecColumn)->setText(orderNumber());
    m_footer->item(0, QuantityColumn)->setText(numbertext::general(lines.sum(QStringLiteral("3"))));
    m_footer->item(0, AmountColumn)->setText(numbertext::general(total));
    m_total->setText(numbertext::general(total));
    m_customer->setText(QStringLiteral("客户名称：") + (m_order ? m_order->customerName() : QString()));
    return total;
}

void CheckoutPanel::refresh()
{
    guarded(m_ctx.messages, [&] { showLines(); });
}

void CheckoutPanel::setCash(const QString &text)
{
    m_cash->setText(text);
}

void CheckoutPanel::focusCash()
{
    m_cash->setFocus(Qt::OtherFocusReason);
}

// Change = cash − total in the four-decimal fixed point of the sums, so 100 − 90.15 is 9.85.
void CheckoutPanel::updateChange()
{
    if (m_cash->text().isEmpty())
        return;
    const double cash = numbertext::fixed4(fieldvalue::number(m_cash->text(), QStringLiteral("现金：")));
    const double total = numbertext::fixed4(fieldvalue::number(m_total->text(), QStringLiteral("合计：")));
    m_change->setText(numbertext::general(numbertext::fixed4(cash - total)));
}

// While the cash is being typed a text that is not (yet) a number leaves the change as it was;
// leaving the field or printing reports it.
void CheckoutPanel::updateChangeIfNumber()
{
    try {
        updateChange();
    } catch (const ConversionError &) {
    }
}

bool CheckoutPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cash && event->type() == QEvent::FocusOut)
        guarded(m_ctx.messages, [&] { updateChange(); });
    return FloatingPanel::eventFilter(watched, event);
}

QString CheckoutPanel::receiptText(const QString &name) const
{
    return m_receiptTexts ? m_receiptTexts(name) : QString();
}

receipt::Content CheckoutPanel::receiptContent(double total, double cash, double change) const
{
    receipt::Content content;
    content.title = receiptText(QStringLiteral("pos1"));
    content.orderNumber = orderNumber();
    content.cashier = m_ctx.session.userName;
    content.printedAt = m_ctx.clock.now();
    const Dataset &lines = m_ctx.data.orderLinesQuery;
    for (int row = 0; row < lines.recordCount(); ++row) {
        content.items << receipt::Item{lines.value(row, QStringLiteral("a")).toString(),
                                       lines.value(row, QStringLiteral("3")).toDouble(),
                                       lines.value(row, QStringLiteral("4")).toDouble()};
    }
    content.total = numbertext::general(total);
    content.cash = cash;
    content.change = change;
    content.slogan1 = receiptText(QStringLiteral("pos2"));
    content.slogan2 = receiptText(QStringLiteral("pos3"));
    content.closing = receiptText(QStringLiteral("pos4"));
    return content;
}

// The receipt lists the order's lines as they are stored at this moment, and its total, the
// cash check and the change all come from those same lines, which the panel shows as well.
// An order with lines prints whatever its total, an exchange totalling 0 too.
void CheckoutPanel::printReceipt()
{
    guarded(m_ctx.messages, [&] {
        const double total = numbertext::fixed4(showLines());
        if (m_ctx.data.orderLinesQuery.recordCount() == 0) {
            m_ctx.messages.info(QStringLiteral("先进行销售"));
            return;
        }
        if (m_cash->text().isEmpty()) {
            m_ctx.messages.info(QStringLiteral("输入现金额"));
            m_cash->setFocus();
            return;
        }
        const double cash = numbertext::fixed4(fieldvalue::number(m_cash->text(), QStringLiteral("现金：")));
        if (cash < total) {
            m_ctx.messages.info(QStringLiteral("现金不足"));
            return;
        }
        const double change = numbertext::fixed4(cash - total);
        m_change->setText(numbertext::general(change));
        const QList<receipt::Line> lines = receipt::lines(receiptContent(total, cash, change));
        const receipt::PrinterChoice printer = receipt::PrinterChoice::fromTexts(m_receiptTexts);
        if (!(printer.thermal ? printOnReceiptPrinter(lines, printer, cash > 0) : printOnSystemPrinter(lines)))
            return;
        if (m_order)
            m_order->startNew();
    });
}

bool CheckoutPanel::printOnSystemPrinter(const QList<receipt::Line> &lines)
{
    const Printing::Result result = m_ctx.printing.print(receipt::job(lines, receipt::defaultPaperWidthMm()));
    return Printing::report(m_ctx.messages, QStringLiteral("小票"), result);
}

// A receipt with cash received opens the drawer when the settings say so, and the opening is
// recorded with the order number exactly when the receipt went out.
bool CheckoutPanel::printOnReceiptPrinter(const QList<receipt::Line> &lines, const receipt::PrinterChoice &printer,
                                          bool cashReceived)
{
    const bool openDrawer = printer.openDrawer && cashReceived;
    const QByteArray bytes = receipt::escposBytes(lines, printer.columns(), openDrawer);
    const QString failure =
        openDrawer ? cashdrawer::sendAndRecord(m_ctx.db,
                                               {m_ctx.clock.now(), m_ctx.session.userName, orderNumber().trimmed()},
                                               printer.port, bytes, m_printerTimeoutMs)
                   : sendToPrinterPort(printer.port, bytes, m_printerTimeoutMs);
    if (failure.isEmpty())
        return true;
    m_ctx.messages.error(cashdrawer::notConnected(failure));
    return false;
}

void CheckoutPanel::printSalesNote()
{
    // Read again, like the receipt: "先进行销售" means the order has no lines, so an exchange
    // whose lines total 0 has its note too.
    const bool read = guarded(m_ctx.messages, [&] { showLines(); });
    if (!read)
        return;
    if (m_ctx.data.orderLinesQuery.isEmpty()) {
        // Nothing was sold under this number yet: it stays, no number is skipped.
        m_ctx.messages.info(QStringLiteral("先进行销售"));
        return;
    }
    emit salesNoteRequested(orderNumber());
    // The next lines start a new order.
    if (m_order)
        m_order->startNew();
}
