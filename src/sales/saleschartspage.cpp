#include "sales/saleschartspage.h"

#include <QChart>

#include "common/appcontext.h"
#include "common/guard.h"
#include "data/routines.h"
#include "widgets/barchart.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kChartWidth = 865;
constexpr int kChartHeight = 257;

QComboBox *box(const QStringList &items, const char *name, QWidget *parent)
{
    auto *b = new QComboBox(parent);
    b->setObjectName(QLatin1String(name));
    b->setEditable(true);
    b->setInsertPolicy(QComboBox::NoInsert);
    b->addItems(items);
    b->setFixedWidth(70);
    return b;
}

QStringList numbers(int from, int to)
{
    QStringList items;
    for (int n = from; n <= to; ++n)
        items << QString::number(n);
    return items;
}

} // namespace

SalesChartsPage::SalesChartsPage(AppContext &ctx, QWidget *parent)
    : QWidget(parent),
      m_ctx(ctx),
      m_monthQuery(ctx.db, QStringLiteral("MonthChartQuery")),
      m_dayQuery(ctx.db, QStringLiteral("DayChartQuery"))
{
    setObjectName(QStringLiteral("salesCharts"));
    m_monthChart = new BarChart({QStringLiteral("月销售报表统计"), 12, QStringLiteral("月"), QColor(Qt::yellow)}, this);
    m_monthChart->setObjectName(QStringLiteral("monthChart"));
    m_dayChart = new BarChart({QStringLiteral("日销售报表统计"), 32, QStringLiteral("日"), QColor(0xFF, 0x80, 0x40)}, this);
    m_dayChart->setObjectName(QStringLiteral("dayChart"));
    for (BarChart *chart : {m_monthChart, m_dayChart})
        chart->setMinimumSize(kChartWidth, kChartHeight);

    const QStringList years = numbers(2009, 2016);
    m_monthYear = box(years, "monthChartYear", this);
    m_dayYear = box(years, "dayChartYear", this);
    m_month = box(numbers(1, 12), "dayChartMonth", this);
    auto button = [this](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton *monthProfit = button(QStringLiteral("查询利润"), "monthChartProfit");
    QPushButton *monthSales = button(QStringLiteral("查询销售额"), "monthChartSales");
    QPushButton *dayProfit = button(QStringLiteral("查询利润"), "dayChartProfit");
    QPushButton *daySales = button(QStringLiteral("查询销售额"), "dayChartSales");

    // Each chart with its boxes and buttons on its right.
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto controls = [this](const QList<std::pair<QComboBox *, QString>> &boxes, QPushButton *profit, QPushButton *sales) {
        auto *side = new QWidget(this);
        auto *grid = new QGridLayout(side);
        grid->setContentsMargins(6, 30, 6, 6);
        int row = 0;
        for (const auto &[b, label] : boxes) {
            grid->addWidget(b, row, 0);
            grid->addWidget(new QLabel(label, side), row++, 1);
        }
        grid->addWidget(profit, row++, 0, 1, 2);
        grid->addWidget(sales, row++, 0, 1, 2);
        grid->setRowStretch(row, 1);
        return side;
    };
    layout->addWidget(m_monthChart, 0, 0);
    layout->addWidget(controls({{m_monthYear, QStringLiteral("年")}}, monthProfit, monthSales), 0, 1);
    layout->addWidget(m_dayChart, 1, 0);
    layout->addWidget(controls({{m_dayYear, QStringLiteral("年")}, {m_month, QStringLiteral("月份")}}, dayProfit, daySales),
                      1, 1);
    layout->setColumnStretch(0, 1);

    using charttotals::Total;
    auto run = [this](auto step) { return [this, step] { guarded(m_ctx.messages, step); }; };
    connect(monthProfit, &QPushButton::clicked, this, run([this] { showMonths(Total::Profit); }));
    connect(monthSales, &QPushButton::clicked, this, run([this] { showMonths(Total::Sales); }));
    connect(dayProfit, &QPushButton::clicked, this, run([this] { showDays(Total::Profit); }));
    connect(daySales, &QPushButton::clicked, this, run([this] { showDays(Total::Sales); }));
}

void SalesChartsPage::setPeriod(const QDate &today)
{
    const QString year = QString::number(today.year());
    const QString month = QString::number(today.month());
    m_monthYear->setEditText(year);
    m_dayYear->setEditText(year);
    m_month->setEditText(month);
    m_months = {year, std::nullopt, charttotals::Total::Profit, true};
    m_days = {year, month, charttotals::Total::Profit, true};
    if (isVisible())
        drawStale();
}

void SalesChartsPage::showProfit()
{
    showMonths(charttotals::Total::Profit);
    showDays(charttotals::Total::Profit);
}

void SalesChartsPage::salesChanged(const QList<QDate> &days)
{
    auto touched = [&days](const Drawn &drawn) {
        if (days.isEmpty())
            return true;
        return std::any_of(days.cbegin(), days.cend(), [&drawn](const QDate &day) {
            return charttotals::covers(drawn.year, drawn.month, day);
        });
    };
    if (touched(m_months))
        backToProfit(m_months);
    if (touched(m_days))
        backToProfit(m_days);
}

void SalesChartsPage::backToProfit(Drawn &drawn)
{
    drawn.total = charttotals::Total::Profit;
    drawn.stale = true;
    if (isVisible())
        drawStale();
}

void SalesChartsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    guarded(m_ctx.messages, [&] { drawStale(); });
}

void SalesChartsPage::drawStale()
{
    if (m_months.stale)
        drawMonths();
    if (m_days.stale)
        drawDays();
}

namespace {

// The chart's title says what its bars are: profit or sales.
QString chartTitle(const QString &period, charttotals::Total total)
{
    return QStringLiteral("%1销售报表统计（%2）")
        .arg(period, total == charttotals::Total::Profit ? QStringLiteral("净利润") : QStringLiteral("销售额"));
}

} // namespace

void SalesChartsPage::showMonths(charttotals::Total total)
{
    m_months = {m_monthYear->currentText(), std::nullopt, total, false};
    drawMonths();
}

void SalesChartsPage::showDays(charttotals::Total total)
{
    m_days = {m_dayYear->currentText(), m_month->currentText(), total, false};
    drawDays();
}

// Stale no more once tried: a failing statement shows its error once and leaves no bars.
void SalesChartsPage::drawMonths()
{
    m_months.stale = false;
    m_monthChart->chart()->setTitle(chartTitle(QStringLiteral("月"), m_months.total));
    showTotals(m_monthQuery, charttotals::byMonth(m_months.year, m_months.total), m_monthChart);
}

void SalesChartsPage::drawDays()
{
    m_days.stale = false;
    m_dayChart->chart()->setTitle(chartTitle(QStringLiteral("日"), m_days.total));
    showTotals(m_dayQuery, charttotals::byDay(m_days.year, m_days.month.value_or(QString()), m_days.total), m_dayChart);
}

void SalesChartsPage::showTotals(Dataset &query, const std::optional<Statement> &statement, BarChart *chart)
{
    // The old bars go first: if the query fails, the chart shows none rather than stale ones.
    chart->setBars({});
    query.close();
    if (!statement)
        return;
    routines::open(query, *statement);
    QList<QPointF> bars;
    for (int row = 0; row < query.recordCount(); ++row) {
        const QVariant total = query.value(row, 1);
        if (!total.isNull())
            bars << QPointF(query.value(row, 0).toDouble(), total.toDouble());
    }
    chart->setBars(bars);
}

void SalesChartsPage::closeQueries()
{
    m_monthQuery.close();
    m_dayQuery.close();
}
