#include "stock/inventorysummarywindow.h"

#include "common/appcontext.h"
#include "common/guard.h"
#include "data/datamodule.h"
#include "stock/articletotals.h"
#include "widgets/grid.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <array>

namespace {

// The window's height less the grid's: the button row below it.
constexpr int kButtonRowHeight = 35;

// The four texts that name an article.
using Article = std::array<QString, 4>;
const char *const kArticleFields[] = {"a", "b", "c", "d"};

Article articleAt(const Dataset &lines, int row)
{
    Article article;
    for (size_t i = 0; i < article.size(); ++i)
        article[i] = lines.value(row, QLatin1String(kArticleFields[i])).toString();
    return article;
}

} // namespace

Statement InventorySummaryWindow::statement()
{
    return articletotals::statement();
}

GridColumns InventorySummaryWindow::gridColumns()
{
    using C = GridColumn;
    const QString goods = QStringLiteral("商 品 信 息"), in = QStringLiteral("进 货"),
                  out = QStringLiteral("销 售"), stock = QStringLiteral("存 货");
    const QString quantity = QStringLiteral("数 量"), amount = QStringLiteral("金 额");
    // The totals are centred and shown as they are, without a display format.
    auto total = [](const QString &field, const QString &group, const QString &title) {
        C c = C::number(field, group, title, {}, C::Footer::Sum, 78);
        c.alignment = c.footerAlignment = Qt::AlignCenter;
        return c;
    };
    return {
        C::text(QStringLiteral("a"), goods, QStringLiteral("名 称"), 135).withFooterText(QStringLiteral("总计")),
        C::text(QStringLiteral("b"), goods, QStringLiteral("规格型号"), 95),
        C::text(QStringLiteral("c"), goods, QStringLiteral("编 码"), 100),
        C::text(QStringLiteral("d"), goods, QStringLiteral("类 别"), 70),
        total(QStringLiteral("进货数量"), in, quantity),
        total(QStringLiteral("进货金额"), in, amount),
        total(QStringLiteral("销售数量"), out, quantity),
        total(QStringLiteral("销售金额"), out, amount),
        total(QStringLiteral("库存数量"), stock, quantity),
        total(QStringLiteral("库存金额"), stock, amount),
    };
}

InventorySummaryWindow::InventorySummaryWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("汇总统计"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    resize(900, 520);
    buildGrid();
    buildActions();
}

Dataset &InventorySummaryWindow::summary() const
{
    return m_ctx.data.summaryQuery;
}

void InventorySummaryWindow::buildGrid()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_grid = new Grid(summary(), gridColumns(), this);
    m_grid->setObjectName(QStringLiteral("summaryGrid"));
    const QString hint = QStringLiteral("点列标题进行排序，右键导出或打印");
    m_grid->view()->setToolTip(hint);
    m_grid->view()->viewport()->setToolTip(hint);
    layout->addWidget(m_grid, 1);
}

void InventorySummaryWindow::buildActions()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("summaryMenu"));
    QAction *exportExcel = m_menu->addAction(QStringLiteral("导出Excel"));
    exportExcel->setObjectName(QStringLiteral("exportExcel"));
    exportExcel->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    QAction *print = m_menu->addAction(QStringLiteral("打 印"));
    print->setObjectName(QStringLiteral("print"));
    print->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    addActions(m_menu->actions()); // the shortcuts work while the window is active
    m_grid->setContextMenu(m_menu);
    connect(exportExcel, &QAction::triggered, this, &InventorySummaryWindow::requestExport);
    connect(print, &QAction::triggered, this, &InventorySummaryWindow::requestPrint);

    // The same two, and closing, as buttons in the row below the grid.
    auto *row = new QWidget(this);
    row->setFixedHeight(kButtonRowHeight);
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(6, 4, 6, 4);
    rowLayout->addStretch(1);
    auto button = [&](const QString &text, const char *name) {
        auto *b = new QPushButton(text, row);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        rowLayout->addWidget(b);
        return b;
    };
    m_export = button(QStringLiteral("导出Excel"), "exportButton");
    m_print = button(QStringLiteral("打 印"), "printButton");
    QPushButton *close = button(QStringLiteral("关 闭"), "closeButton");
    layout()->addWidget(row);
    connect(m_export, &QPushButton::clicked, this, &InventorySummaryWindow::requestExport);
    connect(m_print, &QPushButton::clicked, this, &InventorySummaryWindow::requestPrint);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void InventorySummaryWindow::requestExport()
{
    emit exportRequested(exportTitle());
}

void InventorySummaryWindow::requestPrint()
{
    emit printRequested(printTitle());
}

void InventorySummaryWindow::load()
{
    articletotals::load(summary());
    summary().last();
}

void InventorySummaryWindow::refresh()
{
    if (!isVisible())
        return;
    Dataset &lines = summary();
    const QString sortColumn = lines.isOpen() ? lines.sortColumn() : QString();
    const bool descending = lines.sortDescending();
    const int current = lines.currentRow();
    const bool atArticle = lines.isOpen() && current >= 0;
    const Article article = atArticle ? articleAt(lines, current) : Article();
    load();
    if (!sortColumn.isEmpty())
        lines.sort(descending ? sortColumn + QStringLiteral(" DESC") : sortColumn);
    if (atArticle) {
        for (int row = 0; row < lines.recordCount(); ++row) {
            if (lines.value(row, 0).toString() == article[0] && articleAt(lines, row) == article) {
                lines.setCurrentRow(row);
                break;
            }
        }
    }
}

void InventorySummaryWindow::restrictForUser()
{
    m_restricted = true;
    m_grid->lockHidden({QStringLiteral("进货金额"), QStringLiteral("销售金额"), QStringLiteral("库存金额")});
}

int InventorySummaryWindow::exec()
{
    if (isVisible())
        hide();
    return QDialog::exec();
}

void InventorySummaryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guarded(m_ctx.messages, [&] { load(); });
}

void InventorySummaryWindow::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        summary().close();
}
