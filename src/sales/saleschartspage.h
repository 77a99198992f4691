#pragma once

#include "data/dataset.h"
#include "sales/charttotals.h"

#include <QWidget>

struct AppContext;
class BarChart;
class QComboBox;
class QDate;
class QPushButton;

// The tab "销售统计" of the sales details window: the totals of the sale lines per month of a
// year (upper chart) and per day of a month (lower chart), each as net profit or sales amount.
// Totalling a year visits every line of it, so a chart is totalled only while the page shows:
// what would change its bars while the page is hidden marks it stale, and a stale chart is
// totalled when the page is next shown.
class SalesChartsPage : public QWidget {
    Q_OBJECT
public:
    SalesChartsPage(AppContext &ctx, QWidget *parent = nullptr);

    // Both year boxes to the year of `today`, the month box to its month; both charts show the
    // profit of those periods, from when the page is next shown.
    void setPeriod(const QDate &today);
    // "查询利润" of both charts.
    void showProfit();
    // The upper and lower chart's buttons: the period typed in the chart's boxes, at once.
    void showMonths(charttotals::Total total);
    void showDays(charttotals::Total total);
    // Sale lines of these sale dates were written or removed (an invalid date, or none given:
    // dates unknown). A chart whose period holds one of them shows its period's profit again, at
    // once while the page shows, otherwise when it is next shown; the other chart stays as drawn.
    void salesChanged(const QList<QDate> &days);
    // Frees the two charts' queries.
    void closeQueries();

    BarChart *monthChart() const { return m_monthChart; }
    BarChart *dayChart() const { return m_dayChart; }
    // Whether a chart waits for the page to be shown to be totalled.
    bool isMonthChartStale() const { return m_months.stale; }
    bool isDayChartStale() const { return m_days.stale; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // What a chart shows, or is to show once stale: the typed year (and, for the day chart, the
    // typed month) its bars total, and which total.
    struct Drawn {
        QString year;
        std::optional<QString> month;
        charttotals::Total total = charttotals::Total::Profit;
        bool stale = false;
    };
    // A chart back to its period's profit: drawn now while the page shows, else marked stale.
    void backToProfit(Drawn &drawn);
    void drawMonths();
    void drawDays();
    void drawStale();
    void showTotals(Dataset &query, const std::optional<Statement> &statement, BarChart *chart);

    AppContext &m_ctx;
    Dataset m_monthQuery;
    Dataset m_dayQuery;
    BarChart *m_monthChart;
    BarChart *m_dayChart;
    QComboBox *m_monthYear;
    QComboBox *m_dayYear;
    QComboBox *m_month;
    Drawn m_months;
    Drawn m_days;
};
