#include "sales/salelinepanel.h"

#include "common/appcontext.h"
#include "common/guard.h"
#include "common/shopevents.h"
#include "data/datamodule.h"
#include "widgets/ink.h"
#include "widgets/enterchain.h"
#include "widgets/numberedit.h"
#include "widgets/readonlyshade.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {

QLineEdit *readOnlyField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    shadeWhileReadOnly(field);
    return field;
}

QLineEdit *editField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setMinimumWidth(90);
    return b;
}

} // namespace

SaleLinePanel::SaleLinePanel(AppContext &ctx, QWidget *parent) : FloatingPanel(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("SaleLinePanel"));
    setFixedSize(kWidth, kHeight);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(10, 20, 12, 10);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(5);
    int row = 0;
    auto place = [&](int column, const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_captions << label;
        grid->addWidget(label, row, column * 3);
        grid->addWidget(field, row, column * 3 + 1);
    };

    m_name = readOnlyField(this, "lineName");
    m_model = readOnlyField(this, "lineModel");
    m_code = readOnlyField(this, "lineCode");
    m_category = readOnlyField(this, "lineCategory");
    m_saleDate = readOnlyField(this, "lineSaleDate");
    m_price = readOnlyField(this, "linePrice");
    m_quantity = readOnlyField(this, "lineQuantity");
    m_amount = readOnlyField(this, "lineAmount");
    m_owed = new NumberEdit(this);
    m_owed->setObjectName(QStringLiteral("lineOwed"));
    m_orderNumber = editField(this, "lineOrderNumber");
    m_customer = editField(this, "lineCustomer");
    m_address = editField(this, "lineAddress");
    m_contact = editField(this, "lineContact");
    m_remark = editField(this, "lineRemark");

    auto *owed = new QWidget(this);
    auto *owedLayout = new QHBoxLayout(owed);
    owedLayout->setContentsMargins(0, 0, 0, 0);
    owedLayout->setSpacing(4);
    owedLayout->addWidget(m_owed, 1);
    m_note = new QLabel(QStringLiteral("无欠款填0"), owed);
    m_note->setObjectName(QStringLiteral("owedNote"));
    owedLayout->addWidget(m_note);

    const std::pair<const char *, QWidget *> left[] = {
        {"商品名称：", m_name},     {"规格型号：", m_model}, {"商品编码：", m_code},    {"类 别：", m_category},
        {"销售日期：", m_saleDate}, {"销售单价：", m_price}, {"销售数量：", m_quantity},
    };
    const std::pair<const char *, QWidget *> right[] = {
        {"销售金额：", m_amount},   {"欠款金额：", owed},       {"销售单号：", m_orderNumber},
        {"客户名称：", m_customer}, {"地 址：", m_address},     {"联系方式：", m_contact},
        {"备 注：", m_remark},
    };
    for (row = 0; row < 7; ++row) {
        place(0, QString::fromUtf8(left[row].first), left[row].second);
        place(1, QString::fromUtf8(right[row].first), right[row].second);
    }
    grid->setColumnMinimumWidth(2, 10);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);

    m_delete = button(QStringLiteral("删 除"), "deleteLine", this);
    m_modify = button(QStringLiteral("修 改"), "modifyLine", this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_modify);
    buttons->addStretch(1);
    grid->addLayout(buttons, 7, 0, 1, 5);

    // No caption: only the close icon in the top right corner.
    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("closeLine"));
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_close->setAutoRaise(true);
    m_close->setFixedSize(16, 16);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->move(kWidth - 20, 3);

    auto *enter = new EnterChain(this);
    enter->link(m_owed, m_orderNumber);

    connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_modify, &QPushButton::clicked, this, &SaleLinePanel::modifyLine);
    connect(m_delete, &QPushButton::clicked, this, &SaleLinePanel::deleteLine);

    for (QLabel *caption : std::as_const(m_captions))
        ink::apply(caption, ink::Kind::Caption);
    ink::apply(m_note, ink::Kind::Note);
    FloatingPanel::setVisible(false);
}

void SaleLinePanel::openForModify()
{
    open(Mode::Modify);
}

void SaleLinePanel::openForDelete()
{
    open(Mode::Delete);
}

void SaleLinePanel::withdraw()
{
    m_withdrawn = true;
    hide();
}

void SaleLinePanel::open(Mode mode)
{
    const Dataset &sales = m_ctx.data.salesQuery;
    if (m_withdrawn || !sales.isOpen() || sales.currentKey() < 0)
        return;
    LoadedSaleLine line;
    if (!guarded(m_ctx.messages, [&] { line = LoadedSaleLine::fromCurrentRow(sales); }))
        return;
    fill(line);
    m_modify->setVisible(mode == Mode::Modify);
    m_delete->setVisible(mode == Mode::Delete);
    show();
    m_mode = mode; // after show(): showing does not reset it, hiding does
    if (mode == Mode::Modify)
        m_owed->setFocus(Qt::OtherFocusReason);
}

void SaleLinePanel::fill(const LoadedSaleLine &line)
{
    m_line = line;
    m_name->setText(line.name);
    m_model->setText(line.model);
    m_code->setText(line.code);
    m_category->setText(line.category);
    m_saleDate->setText(line.saleDate);
    m_price->setText(line.price);
    m_quantity->setText(line.quantity);
    m_amount->setText(line.amount);
    m_owed->setText(line.owed);
    m_orderNumber->setText(line.orderNumber);
    m_customer->setText(line.customer);
    m_address->setText(line.address);
    m_contact->setText(line.contact);
    m_remark->setText(line.remark);
}

void SaleLinePanel::empty()
{
    fill(LoadedSaleLine());
}

void SaleLinePanel::rowClicked(long long key)
{
    if (m_mode != Mode::Hidden && key != m_line.key)
        hide();
}

void SaleLinePanel::setVisible(bool visible)
{
    FloatingPanel::setVisible(visible);
    if (!visible)
        m_mode = Mode::Hidden;
}

void SaleLinePanel::modifyLine()
{
    if (m_mode != Mode::Modify)
        return;
    SaleLineChanges changes;
    changes.owed = m_owed->text();
    changes.orderNumber = m_orderNumber->text();
    changes.customer = m_customer->text();
    changes.address = m_address->text();
    changes.contact = m_contact->text();
    changes.remark = m_remark->text();
    if (!guarded(m_ctx.messages, [&] { modifySaleLine(m_ctx.data.salesQuery, m_line.key, changes); }))
        return; // the panel stays open with what was typed
    hide();
    emit m_ctx.events.saleLinesEdited();
    m_ctx.messages.info(QStringLiteral("修改记录成功！"));
}

void SaleLinePanel::deleteLine()
{
    if (m_mode != Mode::Delete)
        return;
    SaleLineRemoval removal;
    if (!guarded(m_ctx.messages, [&] { removal = deleteSaleLine(m_ctx.db, m_line.key); }))
        return; // nothing was changed; the panel still shows the line
    // The sales details drop the line and their charts of its date show profit again; the stock
    // grid shows the stock row's new figures.
    emit m_ctx.events.saleLineDeleted(m_line.key, QDate::fromString(m_line.saleDate, Qt::ISODate));
    if (removal.stockChanged()) {
        const StockFigures &b = removal.before;
        emit m_ctx.events.stockRowWritten(removal.stockKey, {{QStringLiteral("5"), b.sold},
                                                             {QStringLiteral("6"), b.salesAmount},
                                                             {QStringLiteral("7"), b.stock},
                                                             {QStringLiteral("8"), b.stockValue}});
    }
    empty();
    hide();
    m_ctx.messages.info(removal.stockChanged()
                            ? QStringLiteral("删除销售记录成功！")
                            : QStringLiteral("删除销售记录成功！未找到对应的库存记录，库存未改变。"));
}
