#include "sales/charttotals.h"
#include "sales/saleschartspage.h"

#include "sales/salelines.h"
#include "support/engines.h"
#include "widgets/barchart.h"

#include <QComboBox>
#include <QPushButton>
#include <QChart>
#include <gtest/gtest.h>

namespace {

using charttotals::Total;

TEST(ChartTotals, TypedYearsAndMonths)
{
    const struct {
        const char *text;
        int year, month;
    } cases[] = {
        {"2014", 2014, 0}, {" 2014 ", 2014, 0}, {"2", 2, 2},       {"02", 2, 2},    {"12", 12, 12},
        {"13", 13, 0},     {"0", 0, 0},         {"", 0, 0},        {"2014abc", 0, 0}, {"20'14", 0, 0},
        {"%", 0, 0},       {"_", 0, 0},         {"-1", 0, 0},      {"1.5", 0, 0},   {"９", 0, 0},
        {"9999", 0, 0},    {"99999999999", 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(charttotals::typedYear(QString::fromUtf8(c.text)), c.year) << c.text;
        EXPECT_EQ(charttotals::typedMonth(QString::fromUtf8(c.text)), c.month) << c.text;
    }
    EXPECT_EQ(charttotals::typedYear(QString(3000, QChar(u'1'))), 0);
    EXPECT_FALSE(charttotals::byMonth("2014'", Total::Profit));
    EXPECT_FALSE(charttotals::byDay("2014", "13", Total::Sales));
}

// The days whose lines a chart of a typed year (and month) totals, as a change decides whether to
// total the chart again.
TEST(ChartTotals, TheDaysAChartTotals)
{
    const std::optional<QString> wholeYear;
    const struct {
        const char *year;
        std::optional<QString> month;
        QDate day;
        bool covered;
    } cases[] = {
        {"2014", wholeYear, {2014, 1, 1}, true},      {"2014", wholeYear, {2014, 12, 31}, true},
        {" 2014 ", wholeYear, {2014, 6, 30}, true},   {"2014", wholeYear, {2015, 1, 1}, false},
        {"2014", wholeYear, {2013, 12, 31}, false},   {"2014", QString("7"), {2014, 7, 31}, true},
        {"2014", QString("07"), {2014, 7, 1}, true},  {"2014", QString("7"), {2014, 8, 1}, false},
        {"2014", QString("7"), {2013, 7, 1}, false},  {"2014", wholeYear, QDate(), true},
        {"2014", QString("7"), QDate(), true},        {"2014'", wholeYear, QDate(), false},
        {"2014", QString(""), {2014, 7, 1}, false},   {"2014", QString("13"), QDate(), false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(charttotals::covers(c.year, c.month, c.day), c.covered)
            << c.year << " " << c.month.value_or("(year)").toStdString() << " " << c.day.toString().toStdString();
    }
}

// The charts page over a shop's sale lines; in a shop file unless the fixture is given another
// engine.
class SalesChartsTest : public testing::Test, protected ShopFixture {
protected:
    using ShopFixture::ShopFixture;

    void line(const char *day, double quantity, double amount, double profit)
    {
        addSaleLine(shop, {{"a", "衬衫"}, {"3", quantity}, {"4", amount}, {"a5", profit}, {"day1", day}});
    }
    void set(const char *box, const QString &text) { page.findChild<QComboBox *>(box)->setEditText(text); }
    void click(const char *button) { page.findChild<QPushButton *>(button)->click(); }
    QList<QPointF> months() const { return page.monthChart()->bars(); }
    QList<QPointF> days() const { return page.dayChart()->bars(); }

    SalesChartsPage page{shop.ctx};
};

// The totals of the bars on a shop file and on a shop on a server.
using ChartTotalsOnEngine = OnBothEngines<SalesChartsTest>;

INSTANTIATE_ON_BOTH_ENGINES(ChartTotalsOnEngine);

TEST_P(ChartTotalsOnEngine, ProfitAndSalesPerMonthOfTheYear)
{
    line("2014-01-05", 2, 100, 40);
    line("2014-01-20", 1, 1234.5, 1000.25);
    line("2014-03-02", -1, -50, -20); // a month of returns only: a bar below zero
    line("2014-12-31", 1, 10, 3);
    line("2013-12-31", 1, 999, 999);  // another year
    line("2015-01-01", 1, 999, 999);
    page.setPeriod(QDate(2014, 7, 29));
    page.showProfit();
    EXPECT_EQ(months(), QList<QPointF>({{1, 1040.25}, {3, -20}, {12, 3}}));
    EXPECT_EQ(page.monthChart()->valueMarks(), QStringList({"1,040.25", "-20", "3"}));
    // The title says what the bars are.
    EXPECT_EQ(page.monthChart()->chart()->title(), QStringLiteral("月销售报表统计（净利润）"));
    click("monthChartSales");
    EXPECT_EQ(months(), QList<QPointF>({{1, 1334.5}, {3, -50}, {12, 10}}));
    EXPECT_EQ(page.monthChart()->valueMarks(), QStringList({"1,334.5", "-50", "10"}));
    EXPECT_EQ(page.monthChart()->chart()->title(), QStringLiteral("月销售报表统计（销售额）"));
    set("monthChartYear", " 2013");
    click("monthChartProfit");
    EXPECT_EQ(months(), QList<QPointF>({{12, 999}}));
}

TEST_P(ChartTotalsOnEngine, ProfitAndSalesPerDayOfTheMonth)
{
    line("2012-02-01", 1, 30, 10);
    line("2012-02-01", 2, 60, 20);
    line("2012-02-29", 1, 45, 15);
    line("2012-03-01", 1, 99, 99);
    line("2013-02-01", 1, 99, 99);
    set("dayChartYear", "2012");
    set("dayChartMonth", "02");
    click("dayChartProfit");
    EXPECT_EQ(days(), QList<QPointF>({{1, 30}, {29, 15}}));
    click("dayChartSales");
    EXPECT_EQ(days(), QList<QPointF>({{1, 90}, {29, 45}}));
    set("dayChartMonth", "4");
    click("dayChartSales");
    EXPECT_TRUE(days().isEmpty());
}

TEST_P(ChartTotalsOnEngine, TextsThatAreNoYearOrMonthShowNoBarsAndNoError)
{
    line("2014-07-01", 1, 30, 10);
    page.setPeriod(QDate(2014, 7, 29));
    page.showProfit();
    ASSERT_EQ(months().size(), 1);
    ASSERT_EQ(days().size(), 1);
    for (const QString &typed : {QString("2014'"), QString("%"), QString("_"), QString("2014 or 1=1"),
                                 QString(3000, QChar(u'年')), QString("😀")}) {
        set("monthChartYear", typed);
        set("dayChartMonth", typed);
        click("monthChartProfit");
        click("dayChartSales");
        EXPECT_TRUE(months().isEmpty()) << typed.left(10).toStdString();
        EXPECT_TRUE(days().isEmpty()) << typed.left(10).toStdString();
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 1);
}

// A change of sale lines is totalled again only in the charts whose period holds one of its dates:
// at once while the page shows, when it is next shown otherwise. A line added without a word
// shows which chart was totalled again.
TEST_F(SalesChartsTest, AChangeRedrawsOnlyTheChartsWhosePeriodHoldsIt)
{
    const QList<QPointF> monthSales{{3, 20}, {7, 50}}, daySales{{10, 50}};
    const QList<QPointF> monthProfit{{3, 5}, {7, 11}}, dayProfit{{10, 10}, {11, 1}};
    const struct {
        const char *what;
        QList<QDate> days;
        QList<QPointF> months, days_;
    } cases[] = {
        {"a day of the shown month", {QDate(2014, 7, 11)}, monthProfit, dayProfit},
        {"another month of the shown year", {QDate(2014, 3, 5)}, monthProfit, daySales},
        {"another year", {QDate(2013, 7, 11)}, monthSales, daySales},
        {"one of several days", {QDate(2012, 1, 1), QDate(2014, 7, 31)}, monthProfit, dayProfit},
        {"dates unknown", {}, monthProfit, dayProfit},
        {"a date that is none", {QDate()}, monthProfit, dayProfit},
    };
    for (const bool shown : {true, false}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.what) + (shown ? ", page shown" : ", page hidden"));
            shop.exec("delete from data1");
            line("2014-07-10", 1, 50, 10);
            line("2014-03-05", 1, 20, 5);
            page.setPeriod(QDate(2014, 7, 29));
            page.show(); // totals both periods' profit
            click("monthChartSales");
            click("dayChartSales");
            line("2014-07-11", 1, 7, 1); // not announced
            if (!shown)
                page.hide();
            page.salesChanged(c.days);
            if (!shown) {
                EXPECT_EQ(months(), monthSales) << "nothing is totalled while the page is hidden";
                EXPECT_EQ(days(), daySales);
                page.show();
            }
            EXPECT_EQ(months(), c.months);
            EXPECT_EQ(days(), c.days_);
            page.hide();
        }
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalesChartsTest, AxesStayFixedWhateverTheData)
{
    const QStringList monthLabels = page.monthChart()->axisLabels();
    EXPECT_EQ(monthLabels.first(), "0月");
    EXPECT_EQ(monthLabels.last(), "12月");
    EXPECT_EQ(monthLabels.size(), 13);
    const QStringList dayLabels = page.dayChart()->axisLabels();
    EXPECT_EQ(dayLabels.first(), "0日");
    EXPECT_EQ(dayLabels.last(), "32日");
    page.dayChart()->setBars({{40, 5}, {-1, 5}, {31, 7}, {3, 1.5}, {3, 2}});
    EXPECT_EQ(days(), QList<QPointF>({{3, 3.5}, {31, 7}}));
    EXPECT_EQ(page.dayChart()->valueMarks(), QStringList({"3.5", "7"}));
}

} // namespace
