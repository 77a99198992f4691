#include "stock/stockqueryview.h"

#include "common/layoutstore.h"
#include "common/settings.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "common/numbertext.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "stock/gridexport/gridexport.h"
#include "stock/gridprint/gridprint.h"
#include "counter/scannedcode.h"
#include "widgets/datasetmodel.h"
#include "widgets/grid.h"
#include "widgets/ondemandcombobox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>

GridColumns StockQueryView::gridColumns()
{
    using C = GridColumn;
    const QString goods = QStringLiteral("商 品 信 息"), in = QStringLiteral("进 货"),
                  out = QStringLiteral("销 售"), stock = QStringLiteral("存 货"), note = QStringLiteral("备 注");
    const QString quantity = QStringLiteral("#0.###"), amount = QStringLiteral("#0.##");
    return {
        // The widths add up to less than the window's width, so every column is in view.
        C::text(QStringLiteral("a"), goods, QStringLiteral("名 称"), 105).withFooterText(QStringLiteral("总计")),
        C::text(QStringLiteral("b"), goods, QStringLiteral("规格型号"), 75),
        C::text(QStringLiteral("c"), goods, QStringLiteral("编 码"), 70),
        C::text(QStringLiteral("d"), goods, QStringLiteral("类 别"), 55),
        C::number(QStringLiteral("2"), in, QStringLiteral("数 量"), quantity, C::Footer::Sum, 50),
        C::number(QStringLiteral("1"), in, QStringLiteral("单 价"), {}, C::Footer::None, 55),
        C::number(QStringLiteral("3"), in, QStringLiteral("金 额"), amount, C::Footer::Sum, 65),
        C::number(QStringLiteral("5"), out, QStringLiteral("数 量"), quantity, C::Footer::Sum, 50),
        C::number(QStringLiteral("4"), out, QStringLiteral("单 价"), {}, C::Footer::None, 55),
        C::number(QStringLiteral("6"), out, QStringLiteral("金 额"), amount, C::Footer::Sum, 65),
        C::number(QStringLiteral("7"), stock, QStringLiteral("数 量"), quantity, C::Footer::Sum, 50),
        C::number(QStringLiteral("8"), stock, QStringLiteral("金 额"), amount, C::Footer::Sum, 65),
        C::text(QStringLiteral("day1"), note, QStringLiteral("入库日期"), 78).centred(),
        C::text(QStringLiteral("g"), note, QStringLiteral("供货商"), 70),
        C::text(QStringLiteral("z"), note, QStringLiteral("备 注"), 70),
    };
}

namespace {

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

} // namespace

StockQueryView::StockQueryView(AppContext &ctx, QWidget *gridArea, QWidget *queryArea, QMenu *gridMenu, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_gridArea(gridArea), m_queryArea(queryArea), m_gridMenu(gridMenu)
{
    buildGrid();
    buildConditions();
}

void StockQueryView::buildGrid()
{
    m_grid = new Grid(m_ctx.data.stockQuery, gridColumns(), m_gridArea);
    m_grid->setObjectName(QStringLiteral("mainGrid"));
    m_gridArea->layout()->addWidget(m_grid);
    const QString hint = QStringLiteral("点列标题进行排序，双击记录进行销售");
    m_grid->view()->setToolTip(hint);
    m_grid->view()->viewport()->setToolTip(hint);
    m_grid->setContextMenu(m_gridMenu);
    m_grid->setSeveralRowsSelectable(true); // labels are printed for the selected rows
    m_grid->setAlarmRows([this](int row) { return isLowStock(row); });
    m_grid->readOnDemand();
    m_search = std::make_unique<StockSearchIndex>(
        m_ctx.data.database(),
        QStringList{StockListing::allRows().baseCondition, StockListing::nonZeroStock().baseCondition},
        m_grid->model()->summedFields());
    connect(m_grid, &Grid::rowClicked, this, &StockQueryView::rowClicked);
    connect(m_grid, &Grid::rowDoubleClicked, this, &StockQueryView::rowDoubleClicked);
    connect(m_grid, &Grid::aboutToSort, this, &StockQueryView::aboutToSort);
    connect(m_grid, &Grid::sorted, this, &StockQueryView::sorted);
}

void StockQueryView::buildConditions()
{
    QWidget *area = m_queryArea;
    auto *row = new QWidget(area);
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    area->layout()->addWidget(row);

    m_group = new QGroupBox(QStringLiteral(" 快速拼音查询"), row);
    m_group->setObjectName(QStringLiteral("quickQuery"));
    auto *grid = new QGridLayout(m_group);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(4);

    auto lineEdit = [&](const char *name, const QString &hint = {}) {
        auto *e = new QLineEdit(m_group);
        e->setObjectName(QLatin1String(name));
        e->setToolTip(hint);
        e->setMaxLength(kConditionMaxLength);
        return e;
    };
    auto comboBox = [&](const char *name, const char *column) {
        auto *c = new OnDemandComboBox(m_group);
        c->setObjectName(QLatin1String(name));
        c->lineEdit()->setMaxLength(kConditionMaxLength);
        readListFrom(c, QLatin1String(column));
        return c;
    };
    m_category = comboBox("queryCategory", "d");
    m_name = lineEdit("queryName", QStringLiteral("输入拼音首字母查询"));
    m_supplier = comboBox("querySupplier", "g");
    m_model = lineEdit("queryModel", QStringLiteral("输入拼音首字母查询"));
    m_code = lineEdit("queryCode", QStringLiteral("支持扫描枪"));
    m_remark = lineEdit("queryRemark");
    m_dateRange = new QCheckBox(QStringLiteral("入库日期："), m_group);
    m_dateRange->setObjectName(QStringLiteral("queryDateRange"));
    auto dateEdit = [&](const char *name) {
        auto *d = new QDateEdit(m_group);
        d->setObjectName(QLatin1String(name));
        d->setDisplayFormat(QLatin1String(datetext::kDateFormat));
        d->setCalendarPopup(true);
        d->setFixedWidth(100);
        return d;
    };
    m_from = dateEdit("queryFrom");
    m_to = dateEdit("queryTo");
    auto button = [&](const QString &text, const char *name) {
        auto *b = new QPushButton(text, m_group);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_clear = button(QStringLiteral("清空条件"), "clearConditions");
    m_query = button(QStringLiteral("查询"), "runQuery");
    m_all = button(QStringLiteral("全部记录"), "allRecords");

    // Three rows of two labelled fields, then the date range; the buttons stand on the right.
    const std::pair<const char *, QWidget *> fields[] = {
        {"类 别：", m_category}, {"商品名称：", m_name}, {"规格型号：", m_model},
        {"商品编码：", m_code},  {"备注：", m_remark},   {"供货商：", m_supplier},
    };
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(label(QString::fromUtf8(fields[i].first), m_group), i / 2, i % 2 * 2);
        grid->addWidget(fields[i].second, i / 2, i % 2 * 2 + 1);
    }
    grid->addWidget(m_dateRange, 3, 0);
    grid->addWidget(m_from, 3, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("至"), m_group), 3, 2);
    grid->addWidget(m_to, 3, 3, Qt::AlignLeft);
    grid->addWidget(m_clear, 0, 4);
    grid->addWidget(m_query, 1, 4);
    grid->addWidget(m_all, 2, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    rowLayout->addWidget(m_group, 1);

    // The alarm number and the zero-stock switch stand beside the group.
    auto *side = new QWidget(row);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 8, 0, 0);
    sideLayout->setSpacing(4);
    auto *alarmLabel = new QLabel(QStringLiteral("库存报警数量："), side);
    m_alarm = new QLineEdit(QStringLiteral("5"), side);
    m_alarm->setObjectName(QStringLiteral("alarmNumber"));
    m_alarm->setToolTip(QStringLiteral("修改库存报警数量，记录变成红色"));
    m_alarm->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_alarm));
    m_alarm->setFixedWidth(60);
    m_hideZero = new QCheckBox(QStringLiteral("不显示零库存"), side);
    m_hideZero->setObjectName(QStringLiteral("hideZeroStock"));
    sideLayout->addWidget(alarmLabel);
    sideLayout->addWidget(m_alarm);
    sideLayout->addWidget(m_hideZero);
    sideLayout->addStretch(1);
    rowLayout->addWidget(side);

    // Typing or picking in these fields re-runs the query; the supplier and the dates wait for "查询".
    for (QLineEdit *field : {m_name, m_model, m_remark})
        requeryOnChange(field);
    // The code narrows the grid as it is typed too, but leaves a sale open: a scanner types the
    // next code while the sale of the last one waits for its quantity or its confirmation.
    connect(m_code, &QLineEdit::textChanged, this, [this] {
        guarded(m_ctx.messages, [&] {
            listConditions();
            emit narrowedByCode();
        });
    });
    connect(m_code, &QLineEdit::returnPressed, this, [this] { guarded(m_ctx.messages, [&] { codeEntered(); }); });
    connect(m_category, &QComboBox::editTextChanged, this, [this] { guarded(m_ctx.messages, [&] { runQuery(); }); });
    connect(m_query, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { runQuery(); }); });
    connect(m_clear, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { clearConditions(); }); });
    connect(m_all, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { refreshAll(); }); });
    connect(m_alarm, &QLineEdit::textChanged, this, &StockQueryView::alarmChanged);
    connect(m_hideZero, &QCheckBox::clicked, this, &StockQueryView::zeroStockClicked);
}

void StockQueryView::requeryOnChange(QLineEdit *field)
{
    connect(field, &QLineEdit::textChanged, this, [this] { guarded(m_ctx.messages, [&] { runQuery(); }); });
}

StockConditions StockQueryView::conditions() const
{
    StockConditions c;
    c.category = m_category->currentText();
    c.name = m_name->text();
    c.model = m_model->text();
    c.code = m_code->text();
    c.remark = m_remark->text();
    c.supplier = m_supplier->currentText();
    c.dateRange = m_dateRange->isChecked();
    c.from = m_from->date();
    c.to = m_to->date();
    return c;
}

void StockQueryView::focusNameField()
{
    m_name->setFocus(Qt::OtherFocusReason);
}

void StockQueryView::readyForScan()
{
    m_code->clear();
    m_code->setFocus(Qt::OtherFocusReason);
}

void StockQueryView::codeEntered()
{
    const QString code = m_code->text().trimmed();
    if (code.isEmpty()) {
        emit saleConfirmRequested();
        return;
    }
    const ScannedCode found = ScannedCode::find(m_ctx.db, code);
    switch (found.kind) {
    case ScannedCode::Kind::One:
        emit scanNotice(QString());
        emit codeScanned(found.key);
        readyForScan();
        break;
    case ScannedCode::Kind::Several:
        // The grid lists them, narrowed by the code: the person double-clicks the one sold.
        emit scanNotice(QStringLiteral("编码 %1 对应多种商品，请双击要销售的商品").arg(code));
        m_code->selectAll();
        break;
    case ScannedCode::Kind::None:
        emit scanNotice(QStringLiteral("没有编码为 %1 的有库存商品").arg(code));
        QApplication::beep();
        m_code->selectAll();
        break;
    }
}

void StockQueryView::listConditions()
{
    m_search->openListing(m_ctx.data.stockQuery, m_listing.baseCondition, conditions());
}

void StockQueryView::runQuery()
{
    listConditions();
    emit reloaded();
}

void StockQueryView::rowWritten(long long key)
{
    Dataset &stock = m_ctx.data.stockQuery;
    const Statement wanted = stockConditionsStatement(m_listing.baseCondition, conditions());
    // The conditions query gives its rows in the order of the table or of an index over columns a
    // sale does not write: a row read again keeps its place. A sorted grid or another listing
    // ("全部记录", or conditions changed since) is run again.
    const bool same = stock.isOpen() && stock.sortColumn().isEmpty() && stock.statement().sql == wanted.sql &&
                      stock.statement().params == wanted.params;
    if (!same || !stock.refreshRow(key)) {
        runQuery();
        return;
    }
    stock.first();
    emit reloaded();
}

void StockQueryView::stockRowWritten(long long key, const QVariantHash &before)
{
    Dataset &stock = m_ctx.data.stockQuery;
    if (!stock.isOpen())
        return;
    if (stock.sortColumn().isEmpty() && stock.refreshRow(key, before))
        return;
    rereadShown();
}

void StockQueryView::rereadShown()
{
    m_ctx.data.stockQuery.reopenKeepingPlace();
}

void StockQueryView::readListFrom(OnDemandComboBox *list, const QString &column)
{
    list->setReader([this, column](QStringList &entries) {
        return guarded(m_ctx.messages, [&] {
            entries = routines::distinctValues(m_ctx.data.workQuery, column, QStringLiteral("data"));
        });
    });
}

void StockQueryView::setStockInLists(const StockInLists &lists)
{
    m_stockInLists = lists;
    const std::pair<OnDemandComboBox *, const char *> columns[] = {
        {lists.category, "d"}, {lists.name, "a"}, {lists.model, "b"}, {lists.code, "c"}, {lists.supplier, "g"},
    };
    for (const auto &[list, column] : columns) {
        if (list)
            readListFrom(list, QLatin1String(column));
    }
}

void StockQueryView::refreshLists()
{
    // Each list holds the distinct values of a column of every stock row, up to one per row: read
    // when the list is opened or takes the focus, not on every reload, which would read the whole
    // table once per list. Their texts are emptied now, quietly.
    const StockInLists &in = m_stockInLists;
    for (OnDemandComboBox *list : {in.category, m_category, in.name, in.model, in.code, in.supplier, m_supplier}) {
        if (!list)
            continue;
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(-1);
        list->setEditText(QString());
        list->markStale();
    }
}

void StockQueryView::refreshAll()
{
    refreshLists();
    Dataset &stock = m_ctx.data.stockQuery;
    routines::open(stock, Statement(m_listing.allRecords));
    stock.last();
    emit reloaded();
}

void StockQueryView::clearConditions()
{
    // Each text box that changes re-runs the query through its own change signal, with the
    // fields not yet emptied still applied; the lists and the tick run none.
    m_name->clear();
    m_code->clear();
    m_model->clear();
    {
        const QSignalBlocker quiet(m_category);
        m_category->setEditText(QString());
    }
    m_remark->clear();
    {
        const QSignalBlocker quiet(m_supplier);
        m_supplier->setEditText(QString());
    }
    m_dateRange->setChecked(false);
    m_code->setFocus(Qt::OtherFocusReason);
}

void StockQueryView::setZeroStockHidden(bool hidden)
{
    m_listing = hidden ? StockListing::nonZeroStock() : StockListing::allRows();
    m_hideZero->setChecked(hidden);
}

bool StockQueryView::zeroStockHidden() const
{
    return m_hideZero->isChecked();
}

void StockQueryView::zeroStockClicked(bool hidden)
{
    setZeroStockHidden(hidden);
    storeSetting(m_ctx.settings, m_ctx.messages, QStringLiteral("n0"), hidden ? QStringLiteral("no") : QStringLiteral("yes"));
    guarded(m_ctx.messages, [&] { refreshAll(); });
}

void StockQueryView::alarmChanged(const QString &text)
{
    if (text.isEmpty()) {
        m_alarm->setText(QStringLiteral("0")); // comes back here with "0"
        return;
    }
    m_alarmNumber = text.toDouble();
    storeSetting(m_ctx.settings, m_ctx.messages, QStringLiteral("number"), text);
    m_grid->redraw();
}

bool StockQueryView::isLowStock(int row) const
{
    const Dataset &stock = m_ctx.data.stockQuery;
    const int column = stock.columnIndex(QStringLiteral("7"));
    return column >= 0 && double(numbertext::roundHalfEven(stock.value(row, column).toDouble())) <= m_alarmNumber;
}

void StockQueryView::prepareFirstShow(const QDate &today, const QString &alarmNumber)
{
    m_from->setDate(today);
    m_to->setDate(today);
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (digits.match(alarmNumber).hasMatch()) {
        const QSignalBlocker quiet(m_alarm);
        m_alarm->setText(alarmNumber);
        m_alarmNumber = alarmNumber.toDouble();
    }
}

bool StockQueryView::saveLayout()
{
    return storeLayout(m_ctx.layouts, m_ctx.messages, QLatin1String(LayoutStore::kMainGridSection),
                       m_grid->captureLayout());
}

void StockQueryView::restoreLayout()
{
    m_grid->applyLayout(m_ctx.layouts.load(QLatin1String(LayoutStore::kMainGridSection)));
}

void StockQueryView::exportGrid()
{
    GridExport(m_ctx).runReport(*m_grid, QStringLiteral("商品进货统计报表"));
}

void StockQueryView::printGrid()
{
    gridprint::preview(m_ctx.printing, m_ctx.messages, *m_grid,
                       gridprint::signedReport(QStringLiteral("商品进货统计报表"), QStringLiteral("商 品 进 货 统 计 报 表"), 2,
                                               QStringLiteral("%[Today1]"), 70, m_ctx.session.userName,
                                               m_ctx.clock.today()));
}

void StockQueryView::hideColumns(const QStringList &fields)
{
    m_grid->lockHidden(fields);
}

QTableView *StockQueryView::grid() const
{
    return m_grid->view();
}
