#include "sales/ordernumber.h"
#include "support/engines.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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

// The numbers of the orders opened in a shop, on a shop file and on a shop on a server.
class OrderNumbers : public ShopOnEngine {
protected:
    const QDate day{2014, 7, 29};
};

INSTANTIATE_ON_BOTH_ENGINES(OrderNumbers);

TEST_P(OrderNumbers, TheFirstFreeNumberIsAboveEveryNumberOfThatDay)
{
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

// Two tills opening orders: a number one of them opened is never opened by the other, with or
// without lines, and "+" passes over it; its own numbers, and numbers with lines, it moves onto.
TEST_P(OrderNumbers, ANumberOpenedByOneTillIsNeverOpenedByAnother)
{
    const std::unique_ptr<Database> other = shop.otherConnection();
    const QString one = QStringLiteral("till-1"), two = QStringLiteral("till-2");
    EXPECT_EQ(claimOrderCounter(shop.db, day, 1, one), 1);
    EXPECT_EQ(claimOrderCounter(*other, day, 1, two), 2);
    EXPECT_EQ(claimOrderCounter(shop.db, day, 1, one), 3) << "nor by the till itself a second time";
    shop.exec("insert into data1 (a, z) values ('货', '20140729004')"); // sold under a number typed by hand
    EXPECT_EQ(claimOrderCounter(*other, day, 2, two), 5);
    EXPECT_EQ(firstFreeOrderCounter(shop.db, day), 6);

    EXPECT_EQ(nextOrderCounter(shop.db, day, 1, one), 6) << "2 is another till's, opened for an order it has not sold into";
    EXPECT_EQ(nextOrderCounter(*other, day, 1, two), 2) << "its own";
    EXPECT_EQ(nextOrderCounter(*other, day, 3, two), 4) << "an order with lines";
    EXPECT_EQ(nextOrderCounter(*other, day, 5, two), 7) << "past every number: a new one";
    EXPECT_EQ(claimOrderCounter(shop.db, day, 1, one), 8);

    // A day gone by lets its numbers go; the next day starts again from 1.
    const QDate tomorrow = day.addDays(1);
    EXPECT_EQ(claimOrderCounter(*other, tomorrow, 1, two), 1);
    EXPECT_EQ(shop.scalar("select count(*) from order_claims where z < '20140730'").toInt(), 0);
    EXPECT_EQ(firstFreeOrderCounter(shop.db, day), 5) << "today's lines still count, its openings no more";
}

// A till opening a number while another one is opening one waits for it to finish, then takes the
// next number: the two never both take the first free number.
TEST_P(OrderNumbers, ATillOpeningANumberWaitsForTheOneOpeningBeforeIt)
{
    const std::unique_ptr<Database> other = shop.otherConnection();
    Transaction opening(shop.db);
    EXPECT_EQ(claimOrderCounter(shop.db, day, 1, QStringLiteral("till-1")), 1);
    std::atomic<long long> second = -1;
    QString failure;
    std::thread till([&] {
        try {
            second = claimOrderCounter(*other, day, 1, QStringLiteral("till-2"));
        } catch (const DbError &e) {
            failure = e.text();
            second = 0;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(second, -1) << "the second till did not wait";
    opening.commit();
    till.join();
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_EQ(second, 2);
}

} // namespace
