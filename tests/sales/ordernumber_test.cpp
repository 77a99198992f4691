#include "sales/ordernumber.h"

#include <gtest/gtest.h>

namespace {

TEST(OrderNumber, DateOfTheComputerAndCounterWithAtLeastThreeDigits)
{
    const struct {
        QDate day;
        int counter;
        const char *expected;
    } cases[] = {
        {QDate(2014, 7, 29), 7, "20140729007"},
        {QDate(2014, 7, 29), 0, "20140729000"},
        {QDate(2014, 7, 29), 42, "20140729042"},
        {QDate(2014, 7, 29), 999, "20140729999"},
        {QDate(2014, 7, 29), 1000, "201407291000"},
        {QDate(2015, 1, 2), 1, "20150102001"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(buildOrderNumber(c.day, c.counter), QString::fromLatin1(c.expected)) << c.counter;
}

TEST(OrderCounter, NeverGoesBelowZero)
{
    OrderCounter counter;
    counter.restore(1, QStringLiteral("2014-07-29"));
    counter.previous();
    EXPECT_EQ(counter.value(), 0);
    counter.previous();
    EXPECT_EQ(counter.value(), 0);
    counter.next();
    EXPECT_EQ(counter.text(), QStringLiteral("1"));
}

TEST(OrderCounter, NewSaleDateStartsAtOneOnceAndThenKeepsTheCounter)
{
    OrderCounter counter;
    counter.restore(8, QStringLiteral("2014-07-28")); // danhao 7 stored yesterday
    counter.startSale(QStringLiteral("2014-07-28"));
    EXPECT_EQ(counter.value(), 8) << "same day: the counter goes on";

    counter.startSale(QStringLiteral("2014-07-29"));
    EXPECT_EQ(counter.value(), 1) << "a new day starts again at 1";
    counter.next();
    counter.next();
    counter.startSale(QStringLiteral("2014-07-29"));
    EXPECT_EQ(counter.value(), 3) << "the new date is the one compared, so + is not undone";
}

TEST(OrderCounter, NothingStoredMatchesNoDate)
{
    OrderCounter counter;
    counter.restore(5, QString());
    counter.startSale(QStringLiteral("2014-07-29"));
    EXPECT_EQ(counter.value(), 1);
}

} // namespace
