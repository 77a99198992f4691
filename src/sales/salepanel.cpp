#include "sales/salepanel.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/errors.h"
#include "common/fieldvalue.h"
#include "common/guard.h"
#include "common/messages.h"
#include "common/numbertext.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "widgets/dateedit.h"
#include "widgets/enterchain.h"
#include "widgets/numberedit.h"
#include "widgets/numberspinbox.h"
#include "widgets/ondemandcombobox.h"
#include "widgets/readonlyshade.h"
#include "widgets/ink.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QUuid>

namespace {

constexpr int kWidth = 330;
constexpr int kHeight = 456;

QLineEdit *readOnlyField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    shadeWhileReadOnly(field);
    return field;
}

// A number for a live computation while the user types: no message for a half-typed text, the
// computation simply waits for a number.
std::optional<double> typedNumber(const QString &text)
{
    try {
        return numbertext::parse(text);
    } catch (const ConversionError &) {
        return std::nullopt;
    }
}

} // namespace

SalePanel::SalePanel(AppContext &ctx, QWidget *parent)
    : FloatingPanel(parent), m_ctx(ctx), m_claimant(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    setObjectName(QStringLiteral("SalePanel"));
    setFixedSize(kWidth, kHeight);
    buildFields();
    buildHiddenButtons();
    connectFields();
}

void SalePanel::buildFields()
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);

    auto *title = new QLabel(QStringLiteral("销 售"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("closeSale"));
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_close->setAutoRaise(true);
    m_close->setFixedSize(18, 18);
    m_close->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(m_close, 0, 1, Qt::AlignRight);

    int row = 1;
    auto addRow = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };
    auto line = [&](QWidget *first, std::initializer_list<QWidget *> rest) {
        auto *box = new QWidget(this);
        auto *layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(3);
        layout->addWidget(first, 1);
        for (QWidget *w : rest)
            layout->addWidget(w);
        return box;
    };

    m_name = readOnlyField(this, "saleName");
    m_model = readOnlyField(this, "saleModel");
    m_code = readOnlyField(this, "saleCode");
    m_category = readOnlyField(this, "saleCategory");
    m_listPrice = readOnlyField(this, "listPrice");
    addRow(QStringLiteral("商品名称："), m_name);
    addRow(QStringLiteral("规格型号："), m_model);
    addRow(QStringLiteral("商品编码："), m_code);
    addRow(QStringLiteral("类 别："), m_category);
    addRow(QStringLiteral("建议销售价："), m_listPrice);

    m_actualPrice = new NumberEdit(this);
    m_actualPrice->setObjectName(QStringLiteral("actualPrice"));
    m_discount = new NumberSpinBox(0, 100, 5, this);
    m_discount->setObjectName(QStringLiteral("discount"));
    m_discount->setText(QStringLiteral("100"));
    m_discount->setFixedWidth(58);
    addRow(QStringLiteral("实际销售价："), line(m_actualPrice, {m_discount, new QLabel(QStringLiteral("折"), this)}));

    m_quantity = new NumberSpinBox(0, 100, 1, this);
    m_quantity->setObjectName(QStringLiteral("quantity"));
    m_quantity->setText(QStringLiteral("1"));
    m_returnButton = new QPushButton(QStringLiteral("退"), this);
    m_returnButton->setObjectName(QStringLiteral("returnToggle"));
    m_returnButton->setToolTip(QStringLiteral("先输入退货数量，点此按钮后再销售确认"));
    m_returnButton->setFixedWidth(32);
    addRow(QStringLiteral("销售数量："), line(m_quantity, {m_returnButton}));

    m_stockQuantity = readOnlyField(this, "stockQuantity");
    addRow(QStringLiteral("库存数量："), m_stockQuantity);
    m_saleAmount = readOnlyField(this, "saleAmount");
    addRow(QStringLiteral("销售金额："), m_saleAmount);
    m_owed = new NumberEdit(this);
    m_owed->setObjectName(QStringLiteral("owedAmount"));
    m_owed->setText(QStringLiteral("0"));
    addRow(QStringLiteral("欠款金额："), m_owed);
    m_saleDate = new DateEdit(this);
    m_saleDate->setObjectName(QStringLiteral("saleDate"));
    addRow(QStringLiteral("销售日期："), m_saleDate);

    m_orderNumber = new QLineEdit(this);
    m_orderNumber->setObjectName(QStringLiteral("orderNumber"));
    m_nextButton = new QToolButton(this);
    m_nextButton->setObjectName(QStringLiteral("nextOrder"));
    m_nextButton->setText(QStringLiteral("+"));
    m_nextButton->setToolTip(QStringLiteral("单号增加"));
    m_previousButton = new QToolButton(this);
    m_previousButton->setObjectName(QStringLiteral("previousOrder"));
    m_previousButton->setText(QStringLiteral("-"));
    m_previousButton->setToolTip(QStringLiteral("单号减少"));
    auto *note = new QLabel(QStringLiteral("单据打印必填"), this);
    ink::apply(note, ink::Kind::Warning);
    addRow(QStringLiteral("销售单号："), line(m_orderNumber, {m_nextButton, m_previousButton, note}));

    m_customer = new OnDemandComboBox(this);
    m_customer->setObjectName(QStringLiteral("customerName"));
    m_customer->setReader([this](QStringList &entries) {
        return guarded(m_ctx.messages, [&] {
            entries = routines::distinctValues(m_ctx.data.workQuery, QStringLiteral("g"), QStringLiteral("data1"));
        });
    });
    m_customer->setMaxVisibleItems(16);
    addRow(QStringLiteral("客户名称："), m_customer);
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("address"));
    addRow(QStringLiteral("地 址："), m_address);
    m_contact = new QLineEdit(this);
    m_contact->setObjectName(QStringLiteral("contact"));
    addRow(QStringLiteral("联系方式："), m_contact);
    m_remark = new QLineEdit(this);
    m_remark->setObjectName(QStringLiteral("remark"));
    addRow(QStringLiteral("备 注："), m_remark);

    m_confirm = new QToolButton(this);
    m_confirm->setObjectName(QStringLiteral("confirmSale"));
    m_confirm->setText(QStringLiteral("销售确认"));
    m_confirm->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    m_confirm->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_confirm->setIconSize(QSize(24, 24));
    m_confirm->setMinimumWidth(110);
    m_preview = new QPushButton(QStringLiteral("预览"), this);
    m_preview->setObjectName(QStringLiteral("preview"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_preview);
    buttons->addStretch(1);
    grid->addLayout(buttons, row, 0, 1, 2);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
}

void SalePanel::buildHiddenButtons()
{
    // These lie below the panel's visible area: they take part in the Tab order but cannot be
    // seen or clicked with the mouse.
    auto *hidden = new QWidget(this);
    hidden->setObjectName(QStringLiteral("hiddenButtons"));
    hidden->setGeometry(0, kHeight + 8, kWidth, 28);
    auto *layout = new QHBoxLayout(hidden);
    layout->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const QString &text, const char *name) {
        auto *b = new QPushButton(text, hidden);
        b->setObjectName(QString::fromLatin1(name));
        layout->addWidget(b);
        return b;
    };
    connect(button(QStringLiteral("销售确认"), "reducedPost"), &QPushButton::clicked, this, &SalePanel::reducedPost);
    connect(button(QStringLiteral("增加销售"), "appendSale"), &QPushButton::clicked, this, &SalePanel::appendSale);
    connect(button(QStringLiteral("计算"), "compute"), &QPushButton::clicked, this,
            [this] { guarded(m_ctx.messages, [&] { compute(); }); });
    connect(button(QStringLiteral("清空"), "clearSale"), &QPushButton::clicked, this, &SalePanel::clear);
    connect(button(QStringLiteral("客户编号"), "buildOrder"), &QPushButton::clicked, this,
            &SalePanel::buildOrderNumberField);
}

void SalePanel::connectFields()
{
    connect(m_actualPrice, &QLineEdit::textChanged, this, &SalePanel::updateAmount);
    connect(m_quantity, &NumberSpinBox::textChanged, this, &SalePanel::updateAmount);
    connect(m_discount, &NumberSpinBox::textChanged, this, &SalePanel::applyDiscount);
    connect(m_returnButton, &QPushButton::clicked, this, &SalePanel::toggleReturn);
    connect(m_customer, &QComboBox::editTextChanged, this, &SalePanel::customerEdited);
    m_customer->installEventFilter(this);
    if (m_customer->lineEdit())
        m_customer->lineEdit()->installEventFilter(this);
    connect(m_orderNumber, &QLineEdit::textChanged, this, &SalePanel::orderNumberChanged);
    connect(m_nextButton, &QToolButton::clicked, this, &SalePanel::nextOrder);
    connect(m_previousButton, &QToolButton::clicked, this, &SalePanel::previousOrder);
    connect(m_close, &QToolButton::clicked, this, &SalePanel::closePanel);
    connect(m_confirm, &QToolButton::clicked, this, &SalePanel::post);
    connect(m_preview, &QPushButton::clicked, this, &SalePanel::checkoutToggleRequested);

    auto *enter = new EnterChain(this);
    enter->chain({m_actualPrice, m_discount, m_quantity, m_owed, m_saleDate, m_orderNumber, m_customer, m_address,
                  m_contact, m_remark});
}

void SalePanel::startDay(long long counter, const QString &storedSaleDate)
{
    m_calendarDay = m_ctx.clock.today();
    m_saleDate->setDate(m_calendarDay);
    m_counter.restore(counter, storedSaleDate);
    guarded(m_ctx.messages, [&] { m_counter.raiseTo(firstFreeCounter()); });
    // The checkout shows the order the next sale joins from the start, not only once a sale begins.
    buildOrderNumberField();
    emit currentOrderChanged();
}

long long SalePanel::firstFreeCounter() const
{
    return firstFreeOrderCounter(m_ctx.db, m_ctx.clock.today());
}

void SalePanel::claimCounter(long long atLeast)
{
    m_counter.raiseTo(claimOrderCounter(m_ctx.db, m_ctx.clock.today(), atLeast, m_claimant));
    m_counterClaimed = true;
}

void SalePanel::followCalendar()
{
    const QDate today = m_ctx.clock.today();
    if (today == m_calendarDay)
        return;
    // A date the user chose stays; only the day the program put there follows the calendar.
    if (!m_calendarDay.isValid() || m_saleDate->date() == m_calendarDay)
        m_saleDate->setDate(today);
    m_calendarDay = today;
}

QString SalePanel::orderNumber() const
{
    return m_orderNumber->text();
}

QString SalePanel::customerName() const
{
    return m_customer->currentText();
}

void SalePanel::setVisible(bool visible)
{
    FloatingPanel::setVisible(visible);
    // A hidden panel no longer stands for the row it was loaded from.
    if (!visible)
        m_loaded.reset();
}

void SalePanel::startSale(int row)
{
    const Dataset &rows = m_ctx.data.stockQuery;
    if (row < 0 || row >= rows.recordCount())
        return;
    guarded(m_ctx.messages, [&] {
        if (begin(LoadedStock::fromRow(rows, row)))
            m_actualPrice->setFocus(Qt::OtherFocusReason);
    });
}

void SalePanel::scanned(long long key)
{
    guarded(m_ctx.messages, [&] {
        if (!isHidden() && m_loaded && m_loaded->key == key) {
            // The same article scanned again: one more of it.
            const double quantity = m_quantity->text().toDouble();
            m_quantity->setText(QString::number(quantity + 1));
            compute();
            return;
        }
        // A new sale at quantity 1; the focus stays in the scanner's field for the next code.
        clear();
        begin(LoadedStock::stored(m_ctx.db, key));
    });
}

bool SalePanel::begin(const LoadedStock &stock)
{
    if (stock.name.isEmpty())
        return false;
    followCalendar();
    show();
    raise();
    m_loaded = stock;
    emit stockModifyEnabled(true);
    {
        // A new sale is charged at the full price until a discount is chosen for it.
        const QSignalBlocker quiet(m_discount);
        m_discount->setText(QStringLiteral("100"));
    }
    m_name->setText(stock.name);
    m_model->setText(stock.model);
    m_code->setText(stock.code);
    m_category->setText(stock.category);
    m_listPrice->setText(stock.listPrice);
    m_actualPrice->setText(stock.listPrice);
    m_stockQuantity->setText(stock.stock);
    compute();
    // The order is opened for this program when its first sale starts: a new day's first
    // number, or the number chosen at start-up, which another program may have opened since.
    if (m_counter.isNewDay(m_saleDate->dateText())) {
        const QDate today = m_ctx.clock.today();
        m_counter.startSale(m_saleDate->dateText(), claimOrderCounter(m_ctx.db, today, 1, m_claimant));
        m_counterClaimed = true;
    } else if (!m_counterClaimed) {
        claimCounter(m_counter.value());
    }
    buildOrderNumberField();
    emit currentOrderChanged();
    return true;
}

void SalePanel::rowClicked(int row)
{
    if (row != m_clickedRow)
        closePanel();
    m_clickedRow = row;
}

void SalePanel::compute()
{
    if (!m_loaded || m_actualPrice->text().isEmpty() || m_quantity->text().isEmpty())
        return;
    const SaleFigures figures = computeSale(saleNumbers(*m_loaded, m_actualPrice->text(), m_quantity->text()));
    m_saleAmount->setText(figures.amount);
}

void SalePanel::updateAmount()
{
    const QString price = m_actualPrice->text(), quantity = m_quantity->text();
    if (price.isEmpty() || quantity.isEmpty())
        return;
    const auto p = typedNumber(price), q = typedNumber(quantity);
    if (p && q)
        m_saleAmount->setText(numbertext::general(*p * *q));
}

void SalePanel::applyDiscount()
{
    const QString discount = m_discount->text(), listPrice = m_listPrice->text();
    if (discount.isEmpty() || listPrice.isEmpty())
        return;
    const auto d = typedNumber(discount), list = typedNumber(listPrice);
    if (d && list)
        m_actualPrice->setText(discountedPrice(*list, *d));
}

void SalePanel::toggleReturn()
{
    guarded(m_ctx.messages, [&] {
        const long long q = fieldvalue::integer(m_quantity->text(), QStringLiteral("销售数量："));
        m_quantity->setText(q <= 0 ? QString::number(-q) : QStringLiteral("-") + m_quantity->text());
    });
}

Statement SalePanel::customerLookup(const QString &name)
{
    return Statement(QStringLiteral("select h,i from data1 where g=? group by h,i order by h,i"), {name});
}

Statement SalePanel::orderLookup(const QString &orderNumber)
{
    return Statement(QStringLiteral("select g,h,i,j from data1 where z=? group by g,h,i,j order by g,h,i,j"),
                     {orderNumber});
}

void SalePanel::customerEdited(const QString &text)
{
    const QString name = text.trimmed();
    if (name.isEmpty())
        return;
    guarded(m_ctx.messages, [&] {
        Dataset &lookup = m_ctx.data.lookupQuery;
        routines::open(lookup, customerLookup(name));
        const bool found = !lookup.isEmpty();
        m_address->setText(found ? lookup.text(QStringLiteral("h")) : QString());
        m_contact->setText(found ? lookup.text(QStringLiteral("i")) : QString());
    });
}

bool SalePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_customer || watched == m_customer->lineEdit()) &&
        static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason && m_customer->currentText().isEmpty()) {
        m_address->clear();
        m_contact->clear();
    }
    return FloatingPanel::eventFilter(watched, event);
}

void SalePanel::orderNumberChanged(const QString &text)
{
    const QString number = text.trimmed();
    if (number.isEmpty())
        return;
    guarded(m_ctx.messages, [&] {
        Dataset &lookup = m_ctx.data.lookupQuery;
        routines::open(lookup, orderLookup(number));
        const bool found = !lookup.isEmpty();
        setCustomerQuietly(found ? lookup.text(QStringLiteral("g")) : QString());
        m_address->setText(found ? lookup.text(QStringLiteral("h")) : QString());
        m_contact->setText(found ? lookup.text(QStringLiteral("i")) : QString());
        m_remark->setText(found ? lookup.text(QStringLiteral("j")) : QString());
        emit currentOrderChanged();
    });
}

void SalePanel::setCustomerQuietly(const QString &name)
{
    const QSignalBlocker quiet(m_customer);
    m_customer->setEditText(name);
}

void SalePanel::buildOrderNumberField()
{
    const QString number = buildOrderNumber(m_ctx.clock.today(), m_counter.value());
    if (m_orderNumber->text() != number)
        m_orderNumber->setText(number);
}

void SalePanel::nextOrder()
{
    const long long current = m_counter.value();
    m_counter.next();
    guarded(m_ctx.messages, [&] {
        m_counter.raiseTo(nextOrderCounter(m_ctx.db, m_ctx.clock.today(), current, m_claimant));
        m_counterClaimed = true;
    });
    showSteppedOrder();
}

void SalePanel::startNewOrder()
{
    m_counter.next();
    guarded(m_ctx.messages, [&] { claimCounter(m_counter.value()); });
    showSteppedOrder();
}

void SalePanel::followRestoredSales()
{
    guarded(m_ctx.messages, [&] {
        const long long firstFree = firstFreeCounter();
        m_counter.restore(firstFree, m_saleDate->dateText());
        // The restored file holds no claim of this run: the next sale opens its order there.
        m_counterClaimed = false;
        storeSetting(m_ctx.settings, m_ctx.messages, QStringLiteral("danhao"), QString::number(firstFree - 1));
    });
    showSteppedOrder();
}

void SalePanel::showSteppedOrder()
{
    buildOrderNumberField();
    emit currentOrderChanged();
    emit orderStepped();
    guarded(m_ctx.messages, [&] { refreshCustomerList(); });
}

void SalePanel::previousOrder()
{
    m_counter.previous();
    m_counterClaimed = true; // an order chosen by hand
    buildOrderNumberField();
    emit currentOrderChanged();
    emit orderStepped();
}

void SalePanel::refreshCustomerList()
{
    const QSignalBlocker quiet(m_customer);
    m_customer->setCurrentIndex(-1);
    m_customer->setEditText(QString());
    m_customer->markStale();
}

void SalePanel::customerPosted(const QString &name)
{
    m_customer->addEntry(name.trimmed());
}

void SalePanel::clear()
{
    m_quantity->setText(QStringLiteral("1"));
    m_owed->setText(QStringLiteral("0"));
    m_actualPrice->clear();
}

void SalePanel::closePanel()
{
    hide();
    clear();
    emit stockModifyEnabled(false);
}

SaleEntry SalePanel::entry() const
{
    SaleEntry e;
    e.price = m_actualPrice->text();
    e.quantity = m_quantity->text();
    e.owed = m_owed->text();
    e.saleDate = m_saleDate->dateText();
    e.orderNumber = m_orderNumber->text();
    e.customer = customerName();
    e.address = m_address->text();
    e.contact = m_contact->text();
    e.remark = m_remark->text();
    return e;
}

bool SalePanel::writeSale()
{
    LoadedStock now;
    try {
        postSale(m_ctx.db, *m_loaded, entry(), &now);
    } catch (const StockShortage &shortage) {
        // Another program sold from the row since it was loaded: the panel shows the stock as it
        // now is and offers it, as the check before the posting does.
        m_loaded = shortage.now();
        m_stockQuantity->setText(m_loaded->stock);
        m_ctx.messages.info(QStringLiteral("库存不足"));
        m_quantity->setText(m_loaded->stock);
        return false;
    }
    // The panel keeps standing for the row as it now is in the database.
    m_loaded = now;
    m_stockQuantity->setText(now.stock);
    return true;
}

void SalePanel::followStoredRow()
{
    if (!m_loaded)
        return;
    guarded(m_ctx.messages, [&] {
        const QVariant stored =
            m_ctx.db.scalar(Statement(QStringLiteral("SELECT ID FROM data WHERE ID=?"), {m_loaded->key}));
        if (stored.isNull())
            return; // deleted: the posting says so when it is tried
        // Only the stock figures move under a sale; what the user typed and sees otherwise stays.
        const LoadedStock now = LoadedStock::stored(m_ctx.db, m_loaded->key);
        m_loaded->sold = now.sold;
        m_loaded->salesAmount = now.salesAmount;
        m_loaded->stock = now.stock;
        m_stockQuantity->setText(now.stock);
    });
}

void SalePanel::post()
{
    if (!m_loaded)
        return;
    guarded(m_ctx.messages, [&] {
        if (!quantityAllowed())
            return;
        compute();
        if (!routines::requireField(m_ctx.messages, m_actualPrice, QStringLiteral("实际销售价必须输入！")) ||
            !routines::requireField(m_ctx.messages, m_quantity, QStringLiteral("销售数量必须输入！")) ||
            !routines::requireField(m_ctx.messages, m_owed, QStringLiteral("欠款金额必须输入！")))
            return;
        if (m_saleDate->isBlank()) {
            m_ctx.messages.info(QStringLiteral("销售日期必须输入"));
            return;
        }
        if (!writeSale())
            return;
        const long long soldRow = m_loaded->key; // forgotten as the panel hides
        // The sale is stored; the counter is kept at once so a failing refresh cannot lose it.
        storeSetting(m_ctx.settings, m_ctx.messages, QStringLiteral("danhao"), m_counter.text());
        hide();
        clear();
        emit m_ctx.events.succeeded(QStringLiteral("销售数据保存成功..."));
        emit m_ctx.events.salePosted(orderNumber(), soldRow);
    });
}

void SalePanel::reducedPost()
{
    if (!m_loaded)
        return;
    guarded(m_ctx.messages, [&] {
        compute();
        if (!routines::requireField(m_ctx.messages, m_actualPrice, QStringLiteral("实际销售价必须输入！")) ||
            !routines::requireField(m_ctx.messages, m_quantity, QStringLiteral("销售数量必须输入！")))
            return;
        if (!quantityAllowed() || !writeSale())
            return;
        emit m_ctx.events.stockRowsChanged();
        emit m_ctx.events.saleLinesChanged();
        hide();
        m_ctx.messages.info(QStringLiteral("销售数据成功！"));
        clear();
    });
}

void SalePanel::appendSale()
{
    if (!m_loaded)
        return;
    guarded(m_ctx.messages, [&] {
        if (!quantityAllowed() || !writeSale())
            return;
        emit m_ctx.events.saleLinesChanged();
    });
}

bool SalePanel::quantityAllowed()
{
    const QString quantity = m_quantity->text();
    if (quantity.trimmed().isEmpty())
        return true;
    const double q = fieldvalue::number(quantity, QStringLiteral("销售数量："));
    if (q == 0) {
        m_ctx.messages.info(QStringLiteral("销售数量不能为0"));
        return false;
    }
    if (q > fieldvalue::number(m_stockQuantity->text(), QStringLiteral("库存数量："))) {
        m_ctx.messages.info(QStringLiteral("库存不足"));
        m_quantity->setText(m_stockQuantity->text());
        return false;
    }
    return true;
}
