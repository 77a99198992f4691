#include "sales/ordernumber.h"
#include "support/testapp.h"

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

TEST(OrderCounter, NewSaleDateStartsAtTheFirstFreeNumberOnceAndThenKeepsTheCounter)
{
    OrderCounter counter;
    counter.restore(8, QStringLiteral("2014-07-28")); // danhao 7 stored yesterday
    counter.startSale(QStringLiteral("2014-07-28"), 1);
    EXPECT_EQ(counter.value(), 8) << "same day: the counter goes on";

    counter.startSale(QStringLiteral("2014-07-29"), 1);
    EXPECT_EQ(counter.value(), 1) << "a new day starts again at its first free number";
    counter.next();
    counter.next();
    counter.startSale(QStringLiteral("2014-07-29"), 1);
    EXPECT_EQ(counter.value(), 3) << "the new date is the one compared, so + is not undone";
}

TEST(OrderCounter, NothingStoredMatchesNoDate)
{
    OrderCounter counter;
    counter.restore(5, QString());
    counter.startSale(QStringLiteral("2014-07-29"), 4);
    EXPECT_EQ(counter.value(), 4);
}

TEST(OrderCounter, ANewOrderGoesPastTheStoredOnes)
{
    OrderCounter counter;
    counter.restore(3, QStringLiteral("2014-07-29"));
    counter.raiseTo(7);
    EXPECT_EQ(counter.value(), 7);
    counter.raiseTo(2);
    EXPECT_EQ(counter.value(), 7) << "never back below a number already chosen";
}

TEST(OrderCounter, TheFirstFreeNumberIsAboveEveryNumberOfThatDay)
{
    TestShop shop;
    const QDate day(2014, 7, 29);
    EXPECT_EQ(firstFreeOrderCounter(shop.db, day), 1) << "no order yet";
    for (const char *z : {"20140729001", "20140729012", "201407291000x", "20140728999", "20140730050", "2014072",
                          "20140729abc", "x20140729500"})
        shop.exec("insert into data1 (a, z) values ('货', ?)", {QString::fromLatin1(z)});
    // 1000 counts (a counter of four digits); other days, texts without a counter and numbers
    // that merely contain the date do not.
    EXPECT_EQ(firstFreeOrderCounter(shop.db, day), 1001);
    EXPECT_EQ(firstFreeOrderCounter(shop.db, QDate(2014, 7, 30)), 51);
    EXPECT_EQ(buildOrderNumber(day, 2147483648LL), QStringLiteral("201407292147483648")) << "counters past 32 bits";
}

} // namespace
