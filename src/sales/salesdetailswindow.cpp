#include "sales/salesdetailswindow.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "common/layoutstore.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "sales/owedcustomersview.h"
#include "sales/salelinepanel.h"
#include "sales/saleschartspage.h"
#include "stock/columnhiding/columnhiding.h"
#include "stock/columnhiding/hideoptions.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"
#include "widgets/ondemandcombobox.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 1008;
constexpr int kClientHeight = 585;

const QColor kTitleColour(0xA6, 0xCA, 0xF0);  // sky blue
const QColor kOddRowColour(0xEE, 0xEE, 0xEE);
const QColor kFooterColour(0xFF, 0xC2, 0x86); // light orange

// Fields hidden when the window is created: the order number and the customer remark.
const char *const kHiddenAtStart[] = {"z", "j"};

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit *lineEdit(const char *name, QWidget *parent, const QString &hint = {})
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setToolTip(hint);
    return e;
}

} // namespace

GridColumns SalesDetailsWindow::gridColumns()
{
    using C = GridColumn;
    const QString goods = QStringLiteral("商 品 信 息"), sale = QStringLiteral("销 售 信 息"),
                  customer = QStringLiteral("客 户");
    const QString quantity = QStringLiteral("#0.###"), amount = QStringLiteral("#0.##");
    return {
        C::text(QStringLiteral("a"), goods, QStringLiteral(" 名 称"), 70)
            .withFooterText(QStringLiteral("合计"), Qt::AlignCenter),
        C::text(QStringLiteral("b"), goods, QStringLiteral("规格型号"), 70),
        C::text(QStringLiteral("c"), goods, QStringLiteral(" 编 码"), 70),
        C::text(QStringLiteral("d"), goods, QStringLiteral("类 别"), 70),
        C::number(QStringLiteral("2"), sale, QStringLiteral("单 价"), {}, C::Footer::None, 60),
        C::number(QStringLiteral("3"), sale, QStringLiteral("数 量"), quantity, C::Footer::Sum, 60),
        C::number(QStringLiteral("4"), sale, QStringLiteral("金 额"), amount, C::Footer::Sum, 60),
        C::text(QStringLiteral("day1"), sale, QStringLiteral("日 期"), 70).centred(),
        C::number(QStringLiteral("6"), sale, QStringLiteral("欠款额"), amount, C::Footer::Sum, 60),
        C::number(QStringLiteral("a5"), sale, QStringLiteral("净利润"), {}, C::Footer::Sum, 60),
        C::text(QStringLiteral("z"), sale, QStringLiteral("单 号"), 60).centred().holdingFigures(),
        C::text(QStringLiteral("g"), customer, QStringLiteral("名 称"), 60),
        C::text(QStringLiteral("i"), customer, QStringLiteral("联系方式"), 60).holdingFigures(),
        C::text(QStringLiteral("h"), customer, QStringLiteral("地 址"), 60),
        C::text(QStringLiteral("j"), customer, QStringLiteral("备 注"), 60),
    };
}

QString SalesDetailsWindow::layoutSection()
{
    return QLatin1String(LayoutStore::kMainGridSection) + QLatin1Char('2');
}

SalesDetailsWindow::SalesDetailsWindow(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_totals(ctx.db, QStringLiteral("data1"), DatasetModel::summedFields(gridColumns()))
{
    setObjectName(QStringLiteral("Txstj"));
    setWindowTitle(QStringLiteral("销售明细"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(kClientWidth, kClientHeight);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->addTab(buildListPage(), QStringLiteral("销售明细"));
    m_charts = new SalesChartsPage(ctx, m_pages);
    m_pages->addTab(m_charts, QStringLiteral("销售统计"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 20); // the pages take the window's height less 20 pixels
    layout->addWidget(m_pages);
    buildMenu();
    buildOwedListing();

    // The corrections of a line; the panel lies over the grid and closes whenever the rows it
    // was opened from may have moved: a new listing, a sort, a click on another line.
    m_linePanel = new SaleLinePanel(ctx, m_grid->parentWidget());
    m_linePanel->move((kClientWidth - SaleLinePanel::kWidth) / 2, 60);
    connect(this, &SalesDetailsWindow::modifyRequested, m_linePanel, &SaleLinePanel::openForModify);
    connect(this, &SalesDetailsWindow::deleteRequested, m_linePanel, &SaleLinePanel::openForDelete);
    connect(m_grid, &Grid::aboutToSort, m_linePanel, &QWidget::hide);
}

SalesDetailsWindow::~SalesDetailsWindow() = default;

QWidget *SalesDetailsWindow::buildListPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);

    m_grid = new Grid(m_ctx.data.salesQuery, gridColumns(), page);
    m_grid->setObjectName(QStringLiteral("salesGrid"));
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(14);
    m_grid->setFont(font);
    QTableView *view = m_grid->view();
    view->setFrameShape(QFrame::Panel);
    view->setAlternatingRowColors(true);
    m_grid->setRowBackgrounds(Qt::white, kOddRowColour);
    m_grid->setHeaderColour(kTitleColour);
    // A whole date stays readable whatever the font's digits measure.
    const int dateColumn = m_grid->model()->columnOfField(QStringLiteral("day1"));
    const int dateWidth = QFontMetrics(font).horizontalAdvance(QStringLiteral("2014-07-29")) + 12;
    m_grid->header()->resizeSection(dateColumn, std::max(m_grid->header()->sectionSize(dateColumn), dateWidth));
    m_grid->setColumnsFitted(true);
    m_grid->setFooterColour(kFooterColour);
    m_grid->setAlarmRows([this](int row) { return isReturnOrZero(row); });
    // The rows' other columns are read as they are shown; the sums and the quantity that colours a
    // row are read while loading.
    m_grid->readOnDemand();
    for (const char *field : kHiddenAtStart)
        m_grid->setFieldHidden(QLatin1String(field), true);
    connect(m_grid, &Grid::rowClicked, this, &SalesDetailsWindow::rowClicked);
    layout->addWidget(m_grid, 1);

    auto *groups = new QWidget(page);
    auto *row = new QHBoxLayout(groups);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(buildConditions(groups), 1);
    row->addWidget(buildOrderGroup(groups));
    row->addWidget(buildReturnsGroup(groups));
    layout->addWidget(groups);
    return page;
}

QWidget *SalesDetailsWindow::buildConditions(QWidget *parent)
{
    auto *group = new QGroupBox(QStringLiteral(" 快速拼音查询"), parent);
    group->setObjectName(QStringLiteral("quickQuery"));
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(4);

    const QString initialsHint = QStringLiteral("输入字母拼音查询");
    m_category = new OnDemandComboBox(group);
    m_category->setObjectName(QStringLiteral("queryCategory"));
    // The known categories of the sale lines, read when the list is about to be used.
    m_category->setReader([this](QStringList &entries) {
        return guarded(m_ctx.messages, [&] {
            entries = routines::distinctValues(m_ctx.data.workQuery, QStringLiteral("d"), QStringLiteral("data1"));
        });
    });
    m_name = lineEdit("queryName", group, initialsHint);
    m_code = lineEdit("queryCode", group);
    m_model = lineEdit("querySpec", group, initialsHint);
    m_customer = lineEdit("queryCustomer", group);
    m_remark = lineEdit("queryRemark", group);
    const std::pair<const char *, QWidget *> fields[] = {
        {"类 别：", m_category},   {"商品名称：", m_name},     {"商品编码：", m_code},
        {"规格型号：", m_model},    {"客户名称：", m_customer}, {"备 注：", m_remark},
    };
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(label(QString::fromUtf8(fields[i].first), group), i / 3, i % 3 * 2);
        grid->addWidget(fields[i].second, i / 3, i % 3 * 2 + 1);
    }

    m_dateRange = new QCheckBox(QStringLiteral("销售日期："), group);
    m_dateRange->setObjectName(QStringLiteral("queryDateRange"));
    auto dateEdit = [&](const char *name) {
        auto *d = new QDateEdit(group);
        d->setObjectName(QLatin1String(name));
        d->setDisplayFormat(QLatin1String(datetext::kDateFormat));
        d->setCalendarPopup(true);
        d->setFixedWidth(110);
        return d;
    };
    m_from = dateEdit("queryFrom");
    m_to = dateEdit("queryTo");
    auto *range = new QWidget(group);
    auto *rangeLayout = new QHBoxLayout(range);
    rangeLayout->setContentsMargins(0, 0, 0, 0);
    rangeLayout->addWidget(m_dateRange);
    rangeLayout->addWidget(m_from);
    rangeLayout->addWidget(new QLabel(QStringLiteral("至"), range));
    rangeLayout->addWidget(m_to);
    rangeLayout->addStretch(1);
    grid->addWidget(range, 2, 0, 1, 6);

    QPushButton *query = button(QStringLiteral("查 询"), "querySales", group);
    QPushButton *month = button(QStringLiteral("本 月"), "thisMonth", group);
    QPushButton *clear = button(QStringLiteral("清空条件"), "clearConditions", group);
    QPushButton *all = button(QStringLiteral("全部记录"), "allRecords", group);
    QPushButton *today = button(QStringLiteral("当 天"), "today", group);
    grid->addWidget(query, 0, 6);
    grid->addWidget(month, 1, 6);
    grid->addWidget(today, 2, 6);
    grid->addWidget(clear, 0, 7);
    grid->addWidget(all, 1, 7);
    for (int column : {1, 3, 5})
        grid->setColumnStretch(column, 1);

    auto run = [this](auto step) { return [this, step] { guarded(m_ctx.messages, step); }; };
    // Every change of a condition's text lists again.
    for (QLineEdit *field : {m_name, m_code, m_model, m_customer, m_remark})
        connect(field, &QLineEdit::textChanged, this, run([this] { querySales(); }));
    connect(m_category, &QComboBox::editTextChanged, this, run([this] { querySales(); }));
    connect(query, &QPushButton::clicked, this, run([this] { querySales(); }));
    connect(month, &QPushButton::clicked, this, run([this] { loadThisMonth(); }));
    connect(clear, &QPushButton::clicked, this, run([this] { clearConditions(); }));
    connect(all, &QPushButton::clicked, this, run([this] { loadAll(); }));
    connect(today, &QPushButton::clicked, this, run([this] { queryToday(); }));
    return group;
}

QWidget *SalesDetailsWindow::buildOrderGroup(QWidget *parent)
{
    auto *group = new QGroupBox(QStringLiteral("销售单打印"), parent);
    group->setObjectName(QStringLiteral("orderGroup"));
    auto *layout = new QGridLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    m_orderNumber = lineEdit("orderNumber", group);
    m_orderNumber->setFixedWidth(120);
    QPushButton *query = button(QStringLiteral("查 询"), "queryOrder", group);
    QPushButton *preview = button(QStringLiteral("销售单预览"), "previewNote", group);
    layout->addWidget(new QLabel(QStringLiteral("销售单号："), group), 0, 0);
    layout->addWidget(m_orderNumber, 1, 0);
    layout->addWidget(query, 2, 0);
    layout->addWidget(preview, 3, 0);
    connect(query, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { runOrderNumberQuery(); }); });
    connect(preview, &QPushButton::clicked, this, [this] { emit notePreviewRequested(m_orderNumber->text()); });
    return group;
}

QWidget *SalesDetailsWindow::buildReturnsGroup(QWidget *parent)
{
    auto *group = new QGroupBox(QStringLiteral("退货"), parent);
    group->setObjectName(QStringLiteral("returnsGroup"));
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    QPushButton *query = button(QStringLiteral("查 询"), "queryReturns", group);
    QPushButton *all = button(QStringLiteral("全部退货"), "allReturns", group);
    QPushButton *owed = button(QStringLiteral("欠款客户"), "owedCustomers", group);
    layout->addWidget(query);
    layout->addWidget(all);
    layout->addWidget(owed);
    layout->addStretch(1);
    connect(owed, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { loadOwedCustomers(); }); });
    connect(query, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { queryReturns(); }); });
    connect(all, &QPushButton::clicked, this, [this] { guarded(m_ctx.messages, [&] { loadAllReturns(); }); });
    return group;
}

void SalesDetailsWindow::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("salesGridMenu"));
    auto add = [this](const QString &text, const QKeySequence &shortcut = {}) {
        QAction *a = m_menu->addAction(text);
        a->setShortcut(shortcut);
        return a;
    };
    Actions &a = m_actions;
    a.modify = add(QStringLiteral("修 改 "));
    a.remove = add(QStringLiteral("删 除"), QKeySequence(Qt::Key_Delete));
    a.exportExcel = add(QStringLiteral("导出Excel"), QKeySequence(QStringLiteral("Ctrl+E")));
    a.print = add(QStringLiteral("打 印"), QKeySequence(QStringLiteral("Ctrl+D")));
    m_menu->addSeparator();
    a.saveLayout = add(QStringLiteral("保存当前列宽"));
    m_menu->addSeparator();
    m_hiding = new ColumnHiding(*m_grid, hideoptions::salesDetails(), m_ctx.settings, m_ctx.messages, this);
    m_hiding->addTo(m_menu);
    a.hideColumns = m_hiding->actions();
    m_menu->addSeparator();
    a.showAll = add(QStringLiteral("全部显示"));

    m_grid->setContextMenu(m_menu);
    // The shortcuts work while the grid has the focus, as the menu belongs to the grid.
    for (QAction *action : m_menu->actions())
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_grid->view()->addActions(m_menu->actions());

    connect(a.modify, &QAction::triggered, this, &SalesDetailsWindow::modifyRequested);
    connect(a.remove, &QAction::triggered, this, &SalesDetailsWindow::deleteRequested);
    connect(a.exportExcel, &QAction::triggered, this,
            [this] { emit exportRequested(isShowingOwedCustomers() ? owedCustomersTitle() : exportTitle()); });
    connect(a.print, &QAction::triggered, this,
            [this] { emit printRequested(isShowingOwedCustomers() ? owedCustomersTitle() : printTitle()); });
    connect(a.saveLayout, &QAction::triggered, this, &SalesDetailsWindow::saveLayout);
    connect(a.showAll, &QAction::triggered, this, &SalesDetailsWindow::showAllColumns);
    // A double click on a row is "修 改 ", when the user may correct lines.
    connect(m_grid, &Grid::rowDoubleClicked, this, [this] {
        if (m_actions.modify->isEnabled())
            m_actions.modify->trigger();
    });
}

bool SalesDetailsWindow::isReturnOrZero(int row) const
{
    const Dataset &sales = m_ctx.data.salesQuery;
    const int column = sales.columnIndex(QStringLiteral("3"));
    return column >= 0 && sales.value(row, column).toDouble() <= 0.5;
}

void SalesDetailsWindow::list(const Statement &statement, bool toLastRow, const QHash<QString, long long> &tableSums)
{
    m_linePanel->hide();
    Dataset &sales = m_ctx.data.salesQuery;
    sales.close();
    sales.open(statement, tableSums);
    if (toLastRow)
        sales.last();
}

void SalesDetailsWindow::listAfresh(const Statement &statement, const QHash<QString, long long> &tableSums)
{
    // A full listing empties the category condition, without listing on that change, and has its
    // list read again: the categories may have changed since. The list is read when it is opened,
    // not here, so a listing costs no scan of every sale line for it.
    {
        const QSignalBlocker quiet(m_category);
        m_category->setEditText(QString());
    }
    m_category->markStale();
    list(statement, true, tableSums);
}

void SalesDetailsWindow::loadThisMonth()
{
    listAfresh(saleslistings::thisMonth(m_ctx.clock.today()));
}

void SalesDetailsWindow::loadAll()
{
    // Every line: the footer's sums are the table's, kept as lines are written. When they are not
    // kept yet (the first listing of a run, or after another program wrote), the listing counts
    // them while it reads the keys, and they are kept from then on: one pass over the lines.
    if (const auto sums = m_totals.knownSums()) {
        listAfresh(saleslistings::allRecords(), *sums);
        return;
    }
    const long long versionBefore = m_ctx.db.dataVersion();
    listAfresh(saleslistings::allRecords());
    m_totals.adopt(m_ctx.data.salesQuery.knownSums(), versionBefore);
}

void SalesDetailsWindow::loadAllReturns()
{
    listAfresh(saleslistings::allReturns());
}

SalesConditions SalesDetailsWindow::conditions() const
{
    SalesConditions c;
    c.category = m_category->currentText();
    c.name = m_name->text();
    c.code = m_code->text();
    c.model = m_model->text();
    c.customer = m_customer->text();
    c.remark = m_remark->text();
    c.dateRange = m_dateRange->isChecked();
    c.from = m_from->date();
    c.to = m_to->date();
    return c;
}

void SalesDetailsWindow::querySales()
{
    list(saleslistings::sales(conditions(), m_ctx.db.hasSaleTextIndex()), false);
}

void SalesDetailsWindow::queryReturns()
{
    list(saleslistings::returns(conditions(), m_ctx.db.hasSaleTextIndex()), false);
}

void SalesDetailsWindow::queryToday()
{
    m_dateRange->setChecked(true);
    querySales();
}

void SalesDetailsWindow::clearConditions()
{
    // Emptied quietly and listed once, with every condition gone: the list then shows what the
    // emptied fields say, instead of a query run half-way through the emptying.
    const bool changed = !m_category->currentText().isEmpty() || !m_name->text().isEmpty() ||
                         !m_code->text().isEmpty() || !m_model->text().isEmpty() || !m_customer->text().isEmpty() ||
                         !m_remark->text().isEmpty() || m_dateRange->isChecked();
    for (QLineEdit *field : {m_name, m_code, m_model, m_customer, m_remark}) {
        const QSignalBlocker quiet(field);
        field->clear();
    }
    {
        const QSignalBlocker quiet(m_category);
        m_category->setEditText(QString());
    }
    m_dateRange->setChecked(false);
    if (changed)
        querySales();
}

QString SalesDetailsWindow::orderNumberText() const
{
    return m_orderNumber->text();
}

void SalesDetailsWindow::queryOrderNumber(const QString &orderNumber)
{
    m_orderNumber->setText(orderNumber);
    runOrderNumberQuery();
}

void SalesDetailsWindow::setOrderNumber(const QString &orderNumber)
{
    m_orderNumber->setText(orderNumber);
}

void SalesDetailsWindow::refreshThisMonth()
{
    if (isVisible())
        loadThisMonth();
}

void SalesDetailsWindow::rereadShown()
{
    if (!isVisible())
        return;
    if (isShowingOwedCustomers()) {
        m_owed->load();
        return;
    }
    Dataset &sales = m_ctx.data.salesQuery;
    if (!sales.isOpen())
        return;
    // Every line is listed with the table's sums, which follow the other program's writes too.
    const Statement all = saleslistings::allRecords();
    const bool everyLine = sales.statement().sql == all.sql && sales.statement().params == all.params;
    sales.reopenKeepingPlace(everyLine ? m_totals.sums() : QHash<QString, long long>{});
}

void SalesDetailsWindow::runOrderNumberQuery()
{
    list(saleslistings::orderNumber(m_orderNumber->text(), m_ctx.db.hasSaleTextIndex()), false);
}

void SalesDetailsWindow::buildOwedListing()
{
    // In the place of the sale lines, in their look.
    m_owed = new OwedCustomersView(m_ctx.db, m_grid->parentWidget());
    m_owed->setObjectName(QStringLiteral("owedCustomers"));
    Grid *owed = m_owed->grid();
    owed->setFont(m_grid->font());
    owed->view()->setFrameShape(QFrame::Panel);
    owed->view()->setAlternatingRowColors(true);
    owed->setRowBackgrounds(Qt::white, kOddRowColour);
    owed->setHeaderColour(kTitleColour);
    owed->setColumnsFitted(true);
    owed->setFooterColour(kFooterColour);
    m_owed->hide();
    auto *page = qobject_cast<QBoxLayout *>(m_grid->parentWidget()->layout());
    page->insertWidget(page->indexOf(m_grid) + 1, m_owed, 1);

    // Its menu: the customer's lines, and the export and print of the grid in view.
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("owedCustomersMenu"));
    QAction *lines = menu->addAction(QStringLiteral("欠款明细"));
    menu->addSeparator();
    menu->addAction(m_actions.exportExcel);
    menu->addAction(m_actions.print);
    owed->setContextMenu(menu);
    owed->view()->addActions({m_actions.exportExcel, m_actions.print});
    connect(lines, &QAction::triggered, this, [this] {
        if (const auto customer = m_owed->currentCustomer())
            guarded(m_ctx.messages, [&] { listOwedLinesOf(*customer); });
    });
    connect(m_owed, &OwedCustomersView::customerOpened, this,
            [this](const OwedCustomer &customer) { guarded(m_ctx.messages, [&] { listOwedLinesOf(customer); }); });
    // Whatever lists sale lines (a listing here, a posting or a correction from outside) shows them.
    connect(&m_ctx.data.salesQuery, &Dataset::reset, this, &SalesDetailsWindow::showLines);
}

Grid *SalesDetailsWindow::shownGrid() const
{
    return isShowingOwedCustomers() ? m_owed->grid() : m_grid;
}

bool SalesDetailsWindow::isShowingOwedCustomers() const
{
    return !m_owed->isHidden();
}

void SalesDetailsWindow::showLines()
{
    if (m_owed->isHidden())
        return;
    const bool hadFocus = m_owed->grid()->view()->hasFocus();
    m_owed->hide();
    m_grid->show();
    if (hadFocus)
        m_grid->view()->setFocus();
}

void SalesDetailsWindow::loadOwedCustomers()
{
    m_linePanel->hide(); // the lines it was opened from leave the view
    m_owed->load();
    m_grid->hide();
    m_owed->show();
    m_owed->grid()->view()->setFocus();
}

void SalesDetailsWindow::listOwedLinesOf(const OwedCustomer &customer)
{
    list(owedcustomers::linesOf(customer), true);
}

void SalesDetailsWindow::rowClicked(int row)
{
    const Dataset &sales = m_ctx.data.salesQuery;
    if (row < 0 || row >= sales.recordCount())
        return;
    m_linePanel->rowClicked(sales.key(row));
    if (!sales.value(row, QStringLiteral("a")).toString().isEmpty())
        m_orderNumber->setText(sales.value(row, QStringLiteral("z")).toString());
}

void SalesDetailsWindow::showAllColumns()
{
    m_hiding->showAll();
}

void SalesDetailsWindow::saveLayout()
{
    m_ctx.layouts.save(layoutSection(), m_grid->captureLayout());
}

void SalesDetailsWindow::restoreLayout()
{
    m_grid->applyLayout(m_ctx.layouts.load(layoutSection()));
    // A layout saved before a column was hidden or shown again must not undo that choice: the
    // remembered choices stand over it, so every tick matches its columns.
    m_hiding->applyStored();
}

void SalesDetailsWindow::salesChanged(const QList<QDate> &days)
{
    m_charts->salesChanged(days);
}

void SalesDetailsWindow::lineDeleted(long long key, const QDate &saleDate)
{
    m_charts->salesChanged({saleDate});
    if (!isVisible())
        return; // every show lists afresh
    // The listing shown loses the line and keeps everything else: its other rows, their order,
    // the sums less the line's figures. Reading it again would show the same.
    Dataset &sales = m_ctx.data.salesQuery;
    if (isShowingOwedCustomers() || !sales.isOpen() || !sales.refreshRow(key))
        rereadShown();
}

void SalesDetailsWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    const QDate today = m_ctx.clock.today();
    // The charts show today's periods once their page is opened.
    m_pages->setCurrentIndex(0);
    m_charts->setPeriod(today);
    m_from->setDate(today);
    m_to->setDate(today);
    guarded(m_ctx.messages, [&] { loadThisMonth(); });
    // After the listing, so a stored sort mark sorts the rows it shows.
    restoreLayout();
}

void SalesDetailsWindow::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // The next show opens on the listing: the charts page, shown on the way, would total both
    // charts of the periods of the last show.
    if (!event->spontaneous())
        m_pages->setCurrentIndex(0);
}

void SalesDetailsWindow::done(int result)
{
    m_charts->closeQueries();
    m_ctx.data.salesQuery.close();
    m_owed->close();
    QDialog::done(result);
    emit closed();
}

void SalesDetailsWindow::restrictForUser()
{
    m_restricted = true;
    m_linePanel->withdraw();
    const QList<QAction *> withdrawn{m_actions.modify, m_actions.remove, m_actions.showAll,
                                     m_actions.hideColumns.at(3)}; // "隐藏净利润"
    for (QAction *action : withdrawn) {
        action->setVisible(false);
        action->setEnabled(false);
    }
    m_grid->lockHidden({QStringLiteral("a5")});
    m_charts->closeQueries();
    m_pages->setTabVisible(m_pages->indexOf(m_charts), false);
    m_charts->hide();
}
