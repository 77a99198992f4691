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
class SalesChartsPage : public QWidget {
    Q_OBJECT
public:
    SalesChartsPage(AppContext &ctx, QWidget *parent = nullptr);

    // Both year boxes to the year of `today`, the month box to its month.
    void setPeriod(const QDate &today);
    // "查询利润" of both charts.
    void showProfit();
    // The upper and lower chart's buttons.
    void showMonths(charttotals::Total total);
    void showDays(charttotals::Total total);
    // Frees the two charts' queries.
    void closeQueries();

    BarChart *monthChart() const { return m_monthChart; }
    BarChart *dayChart() const { return m_dayChart; }

private:
    void showTotals(Dataset &query, const std::optional<Statement> &statement, BarChart *chart);

    AppContext &m_ctx;
    Dataset m_monthQuery;
    Dataset m_dayQuery;
    BarChart *m_monthChart;
    BarChart *m_dayChart;
    QComboBox *m_monthYear;
    QComboBox *m_dayYear;
    QComboBox *m_month;
};
