#include "stock/stockinpanel.h"

#include "common/appcontext.h"
#include "common/fieldvalue.h"
#include "common/guard.h"
#include "common/numbertext.h"
#include "common/shopevents.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "stock/stockrows.h"
#include "widgets/dateedit.h"
#include "widgets/enterchain.h"
#include "widgets/numberedit.h"
#include "widgets/ondemandcombobox.h"
#include "widgets/stepbuttons.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <optional>

namespace {

// A field's number for the live computations; nothing when the field is empty or its text is
// not a number, so a half-typed value (".", "1.2.") leaves the other fields as they are.
std::optional<double> numberIn(const QLineEdit *field)
{
    try {
        return numbertext::parse(field->text());
    } catch (const ConversionError &) {
        return std::nullopt;
    }
}

bool filled(const QLineEdit *field)
{
    return !field->text().isEmpty();
}

// Writes a computed text; writing the text a field already holds changes nothing, which ends
// the chain of computations that writing sets off.
void put(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

void putList(QComboBox *list, const QString &text)
{
    if (list->currentText() != text)
        list->setEditText(text);
}

} // namespace

StockInPanel::StockInPanel(AppContext &ctx, QWidget *parent)
    : FloatingPanel(parent), m_ctx(ctx), m_date(new DateEdit(this))
{
    setObjectName(QStringLiteral("StockInPanel"));
    setToolTip(QStringLiteral("利用回车Enter键和Tab键进行切换"));
    m_date->setObjectName(QStringLiteral("stockInDate"));
    buildFields();
    buildLayout();
    buildEnterChain();
    connectComputations();
    clear();
    m_modifyButton->hide();
    m_modifyButton->setEnabled(false);
}

void StockInPanel::buildFields()
{
    auto list = [this](const char *name) {
        // The main grid's "全部记录" has it read the known values when it is next used.
        auto *box = new OnDemandComboBox(this);
        box->setObjectName(QLatin1String(name));
        // No inline completion: it would silently extend a new name to a longer known one.
        box->setCompleter(nullptr);
        box->setMaxVisibleItems(20);
        return box;
    };
    m_name = list("stockInName");
    m_name->setToolTip(QStringLiteral("直接点击已经输入好的记录，自动填充内容"));
    m_model = list("stockInModel");
    m_code = list("stockInCode");
    m_category = list("stockInCategory");
    m_supplier = list("stockInSupplier");

    auto number = [this](const char *name) {
        auto *field = new NumberEdit(this);
        field->setObjectName(QLatin1String(name));
        return field;
    };
    m_price = number("stockInPrice");
    m_quantity = number("stockInQuantity");
    m_salePrice = number("stockInSalePrice");
    m_priceSteps = new StepButtons(m_price, 1, 0, 100, this);
    m_quantitySteps = new StepButtons(m_quantity, 1, 0, 100, this);
    m_salePriceSteps = new StepButtons(m_salePrice, 1, 0, 100, this);
    m_priceSteps->setObjectName(QStringLiteral("stockInPriceSteps"));
    m_quantitySteps->setObjectName(QStringLiteral("stockInQuantitySteps"));
    m_salePriceSteps->setObjectName(QStringLiteral("stockInSalePriceSteps"));
    m_remark = new QLineEdit(this);
    m_remark->setObjectName(QStringLiteral("stockInRemark"));

    // The working fields are carried but never shown.
    m_amount = number("stockInAmount");
    m_sold = number("stockInSold");
    m_salesAmount = number("stockInSalesAmount");
    m_stockQuantity = number("stockInStockQuantity");
    m_stockValue = number("stockInStockValue");
    m_salesAmount->setReadOnly(true);
    m_stockValue->setReadOnly(true);
    for (QWidget *w : {m_amount, m_sold, m_salesAmount, m_stockQuantity, m_stockValue})
        w->hide();

    m_newButton = new QPushButton(QStringLiteral("新建入库"), this);
    m_newButton->setObjectName(QStringLiteral("stockInNew"));
    m_modifyButton = new QPushButton(QStringLiteral("修改入库"), this);
    m_modifyButton->setObjectName(QStringLiteral("stockInModify"));
    for (QPushButton *b : {m_newButton, m_modifyButton})
        b->setAutoDefault(true); // Enter at the end of the chain presses the button
    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(QStringLiteral("stockInClose"));
    m_closeButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_closeButton->setAutoRaise(true);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    // Carried with the working fields, out of sight: ticked, it would hide the purchase price that
    // every stock-in needs. Purchase prices are hidden from customers by the grid's "隐藏列".
    m_hideCost = new QCheckBox(QStringLiteral("隐藏进货单价和利润"), this);
    m_hideCost->setObjectName(QStringLiteral("stockInHideCost"));
    m_hideCost->hide();

    connect(m_newButton, &QPushButton::clicked, this, &StockInPanel::storeNew);
    connect(m_modifyButton, &QPushButton::clicked, this, &StockInPanel::storeChange);
    connect(m_closeButton, &QToolButton::clicked, this, &StockInPanel::closePanel);
    connect(m_hideCost, &QCheckBox::toggled, this, [this](bool hidden) {
        for (QWidget *w : {static_cast<QWidget *>(m_priceLabel), static_cast<QWidget *>(m_price),
                           static_cast<QWidget *>(m_priceSteps)})
            w->setVisible(!hidden);
        // The stock value is a working field and never shown.
    });
}

void StockInPanel::buildLayout()
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(10, 4, 4, 8);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);

    auto *title = new QLabel(QStringLiteral("商品入库"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    grid->addWidget(title, 0, 0, 1, 3);
    grid->addWidget(m_closeButton, 0, 6, Qt::AlignRight);

    auto label = [this](const QString &text) { return new QLabel(text, this); };
    auto place = [&](int row, int column, QLabel *caption, QWidget *field, QWidget *steps = nullptr) {
        grid->addWidget(caption, row, column);
        caption->setBuddy(field);
        field->setFixedWidth(steps ? 134 : 150);
        if (steps) {
            auto *pair = new QHBoxLayout;
            pair->setSpacing(0);
            pair->addWidget(field);
            pair->addWidget(steps);
            grid->addLayout(pair, row, column + 1);
        } else {
            grid->addWidget(field, row, column + 1);
        }
    };
    // Reading order is the Enter order.
    place(1, 0, label(QStringLiteral("商品名称：")), m_name);
    place(1, 4, label(QStringLiteral("规格型号：")), m_model);
    place(2, 0, label(QStringLiteral("商品编码：")), m_code);
    place(2, 4, label(QStringLiteral("类 别：")), m_category);
    place(3, 0, label(QStringLiteral("入库日期：")), m_date);
    m_priceLabel = label(QStringLiteral("进货单价："));
    place(3, 4, m_priceLabel, m_price, m_priceSteps);
    place(4, 0, label(QStringLiteral(" 数 量：")), m_quantity, m_quantitySteps);
    place(4, 4, label(QStringLiteral("销售单价：")), m_salePrice, m_salePriceSteps);
    place(5, 0, label(QStringLiteral("供货商：")), m_supplier);
    place(5, 4, label(QStringLiteral("备 注：")), m_remark);
    grid->setColumnMinimumWidth(3, 16);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_newButton);
    buttons->addWidget(m_modifyButton);
    grid->addLayout(buttons, 6, 0, 1, 7);

    setTabOrder(m_name, m_model);
    setTabOrder(m_model, m_code);
    setTabOrder(m_code, m_category);
    setTabOrder(m_category, m_date);
    setTabOrder(m_date, m_price);
    setTabOrder(m_price, m_quantity);
    setTabOrder(m_quantity, m_salePrice);
    setTabOrder(m_salePrice, m_supplier);
    setTabOrder(m_supplier, m_remark);
    setTabOrder(m_remark, m_newButton);
    setTabOrder(m_newButton, m_modifyButton);
    adjustSize();
}

void StockInPanel::buildEnterChain()
{
    m_enterChain = new EnterChain(this);
    EnterChain &chain = *m_enterChain;
    chain.link(m_name, m_model);
    chain.link(m_model, m_code);
    chain.link(m_code, m_category);
    chain.link(m_category, m_date);
    chain.link(m_date, m_price); // skipped, to the quantity, while the purchase price is hidden
    chain.link(m_price, m_quantity);
    chain.link(m_quantity, m_salePrice);
    chain.link(m_salePrice, m_supplier);
    chain.link(m_supplier, m_remark);
    // In modify mode "新建入库" is hidden and the change button takes its place.
    chain.link(m_remark, {m_newButton, m_modifyButton});
}

void StockInPanel::connectComputations()
{
    connect(m_quantity, &QLineEdit::textChanged, this, &StockInPanel::quantityChanged);
    connect(m_price, &QLineEdit::textChanged, this, &StockInPanel::priceChanged);
    connect(m_amount, &QLineEdit::textChanged, this, &StockInPanel::priceChanged);
    connect(m_salePrice, &QLineEdit::textChanged, this, &StockInPanel::salePriceChanged);
    connect(m_sold, &QLineEdit::textChanged, this, &StockInPanel::salePriceChanged);
}

// The stock quantity follows the purchase quantity; the purchase amount is price * quantity.
void StockInPanel::quantityChanged()
{
    put(m_stockQuantity, m_quantity->text());
    const auto price = numberIn(m_price), quantity = numberIn(m_quantity);
    if (price && quantity)
        put(m_amount, numbertext::general(*price * *quantity));
}

// Purchase amount and stock value follow the price; the amount cannot be set on its own.
void StockInPanel::priceChanged()
{
    const auto price = numberIn(m_price), quantity = numberIn(m_quantity), inStock = numberIn(m_stockQuantity);
    if (!price || !quantity || !inStock)
        return;
    put(m_amount, numbertext::general(*price * *quantity));
    put(m_stockValue, numbertext::general(*price * *inStock));
}

void StockInPanel::salePriceChanged()
{
    const auto price = numberIn(m_salePrice), sold = numberIn(m_sold);
    if (price && sold)
        put(m_salesAmount, numbertext::general(*price * *sold));
}

void StockInPanel::clear()
{
    for (QLineEdit *field : std::initializer_list<QLineEdit *>{m_price, m_quantity, m_salePrice, m_stockQuantity,
                                                              m_stockValue, m_remark})
        field->clear();
    m_sold->setText(QStringLiteral("0"));
    m_salesAmount->setText(QStringLiteral("0"));
}

void StockInPanel::emptyDescription()
{
    for (QComboBox *list : {m_name, m_model, m_code, m_category, m_supplier})
        list->setEditText(QString());
}

void StockInPanel::placeOverGrid()
{
    if (m_placed || !parentWidget())
        return;
    m_placed = true;
    move(std::max(0, (parentWidget()->width() - width()) / 2), 60);
}

void StockInPanel::openForNew()
{
    placeOverGrid();
    show();
    raise();
    emit openedForNew();
    clear();
    m_modifyButton->hide();
    m_newButton->show();
    m_name->setFocus(Qt::OtherFocusReason);
}

void StockInPanel::openForChange()
{
    Dataset &rows = m_ctx.data.stockQuery;
    guarded(m_ctx.messages, [&] {
        if (rows.currentRow() < 0 || rows.text(QStringLiteral("a")).isEmpty())
            return;
        placeOverGrid();
        show();
        raise();
        emit openedForChange();
        m_newButton->hide();
        m_modifyButton->setEnabled(true);
        m_modifyButton->show();
        // In this order: each explicit value overwrites what the computations made of the ones
        // before, so the working fields end up holding the row's stored values.
        const auto text = [&](const char *column) { return rows.text(QLatin1String(column)); };
        putList(m_name, text("a"));
        putList(m_model, text("b"));
        putList(m_code, text("c"));
        putList(m_category, text("d"));
        put(m_price, text("1"));
        put(m_quantity, text("2"));
        put(m_amount, text("3"));
        put(m_salePrice, text("4"));
        put(m_sold, text("5"));
        put(m_salesAmount, text("6"));
        put(m_stockQuantity, text("7"));
        put(m_stockValue, text("8"));
        put(m_remark, text("z"));
        m_date->setText(text("day1"));
        putList(m_supplier, text("g"));
        m_loadedKey = rows.currentKey();
        m_loadedSalePrice = m_salePrice->text();
        m_name->setFocus(Qt::OtherFocusReason);
    });
}

void StockInPanel::rowClicked(int row)
{
    Dataset &rows = m_ctx.data.stockQuery;
    const bool moved = row != m_lastClickedRow;
    m_lastClickedRow = row;
    // Another position, or another row at the same position after a reload: the row loaded for
    // a change is no longer the one in view.
    if (moved || rows.key(row) != m_loadedKey)
        disableModify();
    guarded(m_ctx.messages, [&] {
        if (rows.currentRow() < 0 || rows.text(QStringLiteral("a")).isEmpty())
            return;
        const auto text = [&](const char *column) { return rows.text(QLatin1String(column)); };
        putList(m_name, text("a"));
        putList(m_model, text("b"));
        putList(m_code, text("c"));
        putList(m_category, text("d"));
        putList(m_supplier, text("g"));
        put(m_price, text("1"));
        put(m_quantity, text("2"));
        put(m_salePrice, text("4"));
        put(m_remark, text("z"));
    });
}

void StockInPanel::enableModify()
{
    if (m_loadedKey >= 0)
        m_modifyButton->setEnabled(true);
}

void StockInPanel::disableModify()
{
    m_modifyButton->setEnabled(false);
    m_loadedKey = -1;
    m_loadedSalePrice.clear();
}

bool StockInPanel::requiredFilled(bool forChange)
{
    Messages &m = m_ctx.messages;
    using routines::requireField;
    return requireField(m, m_name, QStringLiteral("商品名称必须输入！")) &&
           requireField(m, m_code, QStringLiteral("商品编码必须输入！")) &&
           requireField(m, m_category, QStringLiteral("商品类别必须输入！")) &&
           requireField(m, m_price, QStringLiteral("进货单价必须输入！")) &&
           requireField(m, m_quantity, QStringLiteral("进货数量必须输入！")) &&
           requireField(m, m_salePrice, QStringLiteral("销售单价必须输入！")) &&
           (!forChange || requireField(m, m_stockQuantity, QStringLiteral("库存数量必须输入！")));
}

bool StockInPanel::dateFilled()
{
    if (!m_date->isBlank())
        return true;
    m_ctx.messages.info(QStringLiteral("入库日期必须输入"));
    return false;
}

StockInTexts StockInPanel::texts() const
{
    StockInTexts t;
    t.name = m_name->currentText();
    t.model = m_model->currentText();
    t.code = m_code->currentText();
    t.category = m_category->currentText();
    t.supplier = m_supplier->currentText();
    t.remark = m_remark->text();
    t.price = m_price->text();
    t.quantity = m_quantity->text();
    t.salePrice = m_salePrice->text();
    t.date = m_date->dateText();
    return t;
}

void StockInPanel::storeNew()
{
    guarded(m_ctx.messages, [&] {
        if (!requiredFilled(false) || !dateFilled())
            return;
        // Every number and the date are converted before anything is written.
        stockrows::insert(m_ctx.db, stockrows::convert(texts()));
        emit m_ctx.events.succeeded(QStringLiteral("数据入库成功..."));
        clear();
        emptyDescription();
        disableModify();
        m_name->setFocus(Qt::OtherFocusReason);
        emit m_ctx.events.stockRowsChanged();
    });
}

// What "修改入库" shows in the working fields before it asks: purchase amount, stock quantity
// and stock value from price, quantity and the sold quantity (none sold when it is empty).
void StockInPanel::recomputeStock()
{
    if (!filled(m_price) || !filled(m_quantity))
        return;
    const double price = fieldvalue::number(m_price->text(), QStringLiteral("进货单价："));
    const double quantity = fieldvalue::number(m_quantity->text(), QStringLiteral("进货数量："));
    const double sold = filled(m_sold) ? fieldvalue::number(m_sold->text(), QStringLiteral("已销售数量：")) : 0;
    put(m_amount, numbertext::general(price * quantity));
    put(m_stockQuantity, numbertext::general(quantity - sold));
    put(m_stockValue, numbertext::general((quantity - sold) * price));
}

void StockInPanel::storeChange()
{
    if (m_loadedKey < 0)
        return;
    guarded(m_ctx.messages, [&] {
        recomputeStock();
        if (!m_ctx.messages.confirmOkCancel(QStringLiteral("警告！"), QStringLiteral("你确实要修改选中资料吗？")))
            return;
        if (!requiredFilled(true) || !dateFilled())
            return;
        const StockInValues values = stockrows::convert(texts());
        const bool salePriceChanged = m_salePrice->text().trimmed() != m_loadedSalePrice.trimmed();
        if (!stockrows::modify(m_ctx.db, m_loadedKey, values, salePriceChanged)) {
            disableModify();
            m_ctx.messages.info(QStringLiteral("要修改的记录已经不存在（可能已被删除），修改没有保存。"));
            return;
        }
        disableModify();
        hide();
        emit m_ctx.events.succeeded(QStringLiteral("修改数据成功..."));
        clear();
        emit m_ctx.events.stockRowsChanged();
    });
}

void StockInPanel::removeCurrent()
{
    emit removeRequested();
    if (!m_ctx.messages.confirmOkCancel(QStringLiteral("警告！"), QStringLiteral("你真的要删除选中资料吗？")))
        return;
    guarded(m_ctx.messages, [&] {
        m_ctx.data.stockQuery.deleteCurrent();
        emit m_ctx.events.succeeded(QStringLiteral("删除数据成功..."));
    });
}

void StockInPanel::closePanel()
{
    hide();
    clear();
    disableModify();
}
