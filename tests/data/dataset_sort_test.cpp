#include "data/dataset.h"
#include "support/testapp.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// A large result whose columns are mostly read on demand, sorted by one of them: the column is
// read for every row by one statement, and the order is the one a fully loaded result gives.
class LargeResultSortTest : public testing::Test {
protected:
    void SetUp() override
    {
        inTransaction(shop.db, [&] {
            for (int i = 0; i < 3000; ++i) {
                const QVariant amount = i % 11 == 0 ? QVariant() : QVariant((i * 7919) % 1000 / 4.0);
                const QVariant name = i % 13 == 0 ? QVariant() : QVariant(QStringLiteral("名%1").arg((i * 31) % 97));
                shop.exec("insert into data1 (a,[3],[4],day1) values (?,1,?,?)",
                          {name, amount, QStringLiteral("2014-07-%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0'))});
            }
        });
        onDemand.setLoadedColumns({"3"});
    }
    static QList<long long> keys(const Dataset &d)
    {
        QList<long long> k;
        for (int r = 0; r < d.recordCount(); ++r)
            k << d.key(r);
        return k;
    }

    TestShop shop;
    Dataset full{shop.db, "full"};
    Dataset &onDemand = shop.data.salesQuery;
};

TEST_F(LargeResultSortTest, SortsAsAFullyLoadedResult)
{
    for (const bool spreadKeys : {false, true}) {
        // Keys far apart, as after many deletions, are matched another way than close ones.
        if (spreadKeys)
            shop.exec("update data1 set ID=ID*1000 where ID>2900");
        for (const char *condition : {"", " where [3]>0 and day1>='2014-07-10'"}) {
            const Statement statement(QStringLiteral("select * from data1%1 order by day1").arg(condition));
            for (const char *order : {"4", "4 DESC", "a", "a DESC"}) {
                full.open(statement);
                onDemand.open(statement);
                ASSERT_GT(onDemand.recordCount(), 2000);
                onDemand.setCurrentRow(1234);
                const long long current = onDemand.currentKey();
                full.sort(order);
                onDemand.sort(order);
                EXPECT_EQ(keys(onDemand), keys(full)) << order << condition << spreadKeys;
                EXPECT_EQ(onDemand.currentKey(), current) << order;
                EXPECT_EQ(onDemand.sortColumn(), QString(order).section(' ', 0, 0));
            }
        }
    }
}

TEST_F(LargeResultSortTest, ARowThatLeftTheTableSortsAsEmpty)
{
    onDemand.open(Statement("select * from data1 order by day1"));
    const long long gone = onDemand.key(500);
    shop.exec("delete from data1 where ID=?", {gone});
    onDemand.sort("4");
    const int at = onDemand.rowOfKey(gone);
    EXPECT_TRUE(onDemand.value(at, "4").isNull());
    for (int r = 0; r < at; ++r)
        EXPECT_TRUE(onDemand.value(r, "4").isNull()) << r;
    EXPECT_EQ(onDemand.recordCount(), 3000);
}

} // namespace

namespace {

// A sort by a column sorted by before reuses what it read; a row written since is sorted by its
// new value, whichever way it was written.
TEST_F(LargeResultSortTest, ASortAfterAWriteUsesTheNewValue)
{
    const struct {
        const char *name;
        std::function<void(Dataset &, long long)> write;
    } writes[] = {
        {"through the result", [](Dataset &d, long long key) { d.updateByKey(key, {{"4", 1e9}}); }},
        {"elsewhere, row read again",
         [this](Dataset &d, long long key) {
             d.value(d.rowOfKey(key), "4"); // shown before it is written, as a sold row is
             shop.exec("update data1 set [4]=1e9 where ID=?", {key});
             ASSERT_TRUE(d.refreshRow(key));
         }},
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.name);
        onDemand.open(Statement("select * from data1 order by day1"));
        onDemand.sort("4");
        const long long smallest = onDemand.key(0);
        onDemand.sort("4 DESC");
        EXPECT_NE(onDemand.key(0), smallest);
        w.write(onDemand, smallest);
        onDemand.sort("4");
        EXPECT_EQ(onDemand.key(onDemand.recordCount() - 1), smallest);
        onDemand.sort("4 DESC");
        EXPECT_EQ(onDemand.key(0), smallest);
        shop.exec("update data1 set [4]=NULL where ID=?", {smallest});
    }
}

} // namespace
