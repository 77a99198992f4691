#include "data/tabletotals.h"

#include "data/dataset.h"
#include "support/testapp.h"

#include <gtest/gtest.h>

namespace {

const QStringList kSummed{"3", "4", "6", "a5"};

// The sums of data1 as a dataset that read every row adds them up, in ten-thousandths.
QHash<QString, long long> countedSums(Database &db)
{
    Dataset all(db, QStringLiteral("all"));
    all.open(Statement("select * from data1"));
    const std::vector<double> sums = all.sums(kSummed);
    QHash<QString, long long> units;
    for (int i = 0; i < kSummed.size(); ++i)
        units.insert(kSummed.at(i), std::llround(sums[size_t(i)] * 10000));
    return units;
}

void insert(TestShop &shop, const QVariantList &values)
{
    shop.exec("insert into data1 ([3],[4],[6],a5,day1) values (?,?,?,?,'2014-07-01')", values);
}

TEST(TableTotals, FollowEveryWriteAndAgreeWithCountedSums)
{
    TestShop shop;
    insert(shop, {2, 240.5, 0, 120.25});
    TableTotals totals(shop.db, "data1", kSummed);
    EXPECT_EQ(totals.sums(), countedSums(shop.db));

    // Values of every kind a column can hold: nulls, numbers kept as text, texts that are no
    // number, returns, fractions that round, large amounts.
    insert(shop, {QVariant(), "12.5", "abc", -3});
    insert(shop, {-1, -99.99995, 1.0 / 3.0, 0.00005});
    insert(shop, {0.4, 123456789.12345, 2.675, -0.00015});
    EXPECT_EQ(totals.sums(), countedSums(shop.db));
    shop.exec("update data1 set [4]=[4]*3, a5=null where [3]<0");
    shop.exec("delete from data1 where [6]='abc'");
    EXPECT_EQ(totals.sums(), countedSums(shop.db));

    {
        Transaction abandoned(shop.db);
        insert(shop, {100, 100, 100, 100});
        shop.exec("delete from data1");
    } // rolled back: the lines and their sums are back
    EXPECT_EQ(totals.sums(), countedSums(shop.db));
    EXPECT_NE(totals.sums().value("4"), 0);

    // A connection opened again (backup, restore) starts from what the file holds.
    shop.db.close();
    shop.db.open();
    insert(shop, {5, 5, 5, 5});
    EXPECT_EQ(totals.sums(), countedSums(shop.db));
    shop.exec("delete from data1");
    EXPECT_EQ(totals.sums(), (QHash<QString, long long>{{"3", 0}, {"4", 0}, {"6", 0}, {"a5", 0}}));
}

TEST(TableTotals, AWholeTableLoadsItsKeysAndKeepsItsSumsThroughEdits)
{
    TestShop shop;
    for (int i = 1; i <= 200; ++i)
        insert(shop, {i % 7 - 1, i * 1.25, i % 3, i * 0.5});
    TableTotals totals(shop.db, "data1", kSummed);
    Dataset &sales = shop.data.salesQuery;
    sales.setLoadedColumns(kSummed);
    sales.open(Statement("select * from data1 order by day1"), totals.sums());

    EXPECT_EQ(sales.rowsStatement().sql, "select [ID] from data1 order by day1");
    EXPECT_EQ(sales.recordCount(), 200);
    auto shown = [&] {
        const std::vector<double> sums = sales.sums(kSummed);
        QHash<QString, long long> units;
        for (int i = 0; i < kSummed.size(); ++i)
            units.insert(kSummed.at(i), std::llround(sums[size_t(i)] * 10000));
        return units;
    };
    EXPECT_EQ(shown(), countedSums(shop.db));

    sales.setCurrentRow(150);
    sales.edit();
    sales.setValue("6", 1000.5);
    sales.setValue("a5", QVariant());
    sales.post();
    EXPECT_EQ(shown(), countedSums(shop.db));
    sales.setCurrentRow(3);
    sales.deleteCurrent();
    sales.updateByKey(sales.key(10), {{"4", 7.77777}, {"j", "备注"}});
    EXPECT_EQ(shown(), countedSums(shop.db));
    EXPECT_EQ(sales.recordCount(), 199);
}

// Sums counted by a listing of every row are taken over only when nobody else wrote since the
// listing began; either way the kept sums then follow every write.
TEST(TableTotals, SumsCountedByAListingAreTakenOverOnlyWhenStillTrue)
{
    const struct {
        const char *name;
        bool otherProgramWritesAfterTheListing;
    } cases[] = {{"nobody wrote", false}, {"another program wrote meanwhile", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TestShop shop;
        for (int i = 1; i <= 50; ++i)
            insert(shop, {i % 5 - 1, i * 1.5, i % 2, i * 0.25});
        TableTotals totals(shop.db, "data1", kSummed);
        EXPECT_FALSE(totals.knownSums());
        Dataset &sales = shop.data.salesQuery;
        sales.setLoadedColumns(kSummed);
        const long long versionBefore = shop.db.dataVersion();
        sales.open(Statement("select * from data1 order by day1"));
        EXPECT_EQ(sales.knownSums(), countedSums(shop.db));
        if (c.otherProgramWritesAfterTheListing) {
            const std::unique_ptr<Database> other = shop.otherConnection();
            other->execute(Statement("insert into data1 ([3],[4],[6],a5,day1) values (1000,1000,1000,1000,'2014-07-02')"));
        }
        totals.adopt(sales.knownSums(), versionBefore);
        ASSERT_TRUE(totals.knownSums());
        EXPECT_EQ(*totals.knownSums(), countedSums(shop.db));
        insert(shop, {3, 3.3333, QVariant(), -7});
        shop.exec("update data1 set [4]=[4]+1 where [3]<0");
        EXPECT_EQ(*totals.knownSums(), countedSums(shop.db));
    }
}

} // namespace
