#include "common/errors.h"
#include "data/dataset.h"
#include "support/testapp.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// A result of 200 stock rows whose texts are read on demand: only the key and the numbers the
// footer needs are read while loading. In a file and on a server.
class OnDemandDatasetTest : public testing::TestWithParam<TestShop::Engine> {
protected:
    void SetUp() override
    {
        inTransaction(shop.db, [&] {
            for (int i = 0; i < 200; ++i)
                shop.addStockRow({{"a", QStringLiteral("名称%1").arg(i, 3, 10, QLatin1Char('0'))},
                                  {"c", QString::number(1000 + i)},
                                  {"2", i % 7},
                                  {"7", 0.1 * i},
                                  {"z", i % 3 == 0 ? QVariant() : QVariant(QStringLiteral("备注%1").arg(i))}});
        });
        stock.setLoadedColumns({"2", "7"});
        stock.open(Statement("select * from data order by ID"));
    }
    QString name(int row) const { return stock.value(row, "a").toString(); }

    std::unique_ptr<TestShop> owned = TestShop::on(GetParam());
    TestShop &shop = *owned;
    Dataset &stock = shop.data.stockQuery;
};

INSTANTIATE_TEST_SUITE_P(Engines, OnDemandDatasetTest, testing::Values(TestShop::Engine::File, TestShop::Engine::Server),
                         [](const auto &info) { return info.param == TestShop::Engine::File ? "File" : "Server"; });

TEST_P(OnDemandDatasetTest, ReadsEveryValueAsALoadedResult)
{
    ASSERT_EQ(stock.recordCount(), 200);
    // Far apart rows, in no particular order, each from a different block.
    for (int row : {199, 0, 64, 130, 63, 65}) {
        EXPECT_EQ(name(row), QStringLiteral("名称%1").arg(row, 3, 10, QLatin1Char('0')));
        EXPECT_EQ(stock.value(row, "c").toString(), QString::number(1000 + row));
        EXPECT_EQ(stock.value(row, "z").isNull(), row % 3 == 0);
    }
    stock.setCurrentRow(150);
    EXPECT_EQ(stock.text("a"), "名称150");
    EXPECT_DOUBLE_EQ(stock.sum("2"), 594); // 0..6 repeated: 28 per 7 rows, 200 rows
}

TEST_P(OnDemandDatasetTest, SortsByAColumnNotReadYet)
{
    stock.setCurrentRow(5);
    stock.sort("a DESC");
    EXPECT_EQ(name(0), "名称199");
    EXPECT_EQ(name(199), "名称000");
    EXPECT_EQ(stock.currentRow(), 194);
    EXPECT_EQ(stock.text("a"), "名称005");
    // Nulls first when ascending.
    stock.sort("z");
    EXPECT_TRUE(stock.value(0, "z").isNull());
    EXPECT_FALSE(stock.value(67, "z").isNull());
}

TEST_P(OnDemandDatasetTest, KeepsWrittenValuesAndRemovedRows)
{
    stock.setCurrentRow(100);
    stock.updateByKey(stock.currentKey(), {{"a", QStringLiteral("改过")}, {"7", 99.5}});
    EXPECT_EQ(name(100), "改过");
    EXPECT_EQ(stock.value(100, "7").toDouble(), 99.5);
    EXPECT_EQ(name(101), "名称101");

    stock.setCurrentRow(10);
    stock.deleteCurrent();
    EXPECT_EQ(stock.recordCount(), 199);
    EXPECT_EQ(name(10), "名称011");
    EXPECT_EQ(name(198), "名称199");
}

// The loaded columns are summed while loading and not kept: their sums must follow every write
// as the table's own sums do. A row written elsewhere and never read cannot be taken out of the
// sums (what it held is gone), so it is not read again alone: the caller lists afresh.
TEST_P(OnDemandDatasetTest, SumsTakenWhileLoadingFollowWrites)
{
    auto tableSums = [&] {
        std::vector<double> sums;
        shop.db.query(Statement("select total([2]), total([7]) from data"), [&](const ResultRow &row) {
            sums = {row.real(0), row.real(1)};
        });
        return sums;
    };
    const struct {
        const char *what;
        std::function<bool()> write; // false: the result must be listed afresh
    } writes[] = {
        {"edited through the result", [&] { stock.updateByKey(stock.key(30), {{"7", 12.25}, {"2", 4}}); return true; }},
        {"deleted through the result", [&] { stock.setCurrentRow(31); stock.deleteCurrent(); return true; }},
        {"written elsewhere after being read", [&] {
             const long long key = stock.key(2);
             stock.value(2, "7");
             shop.exec("update data set [7]=[7]+100, [2]=[2]+1 where ID=?", {key});
             return stock.refreshRow(key);
         }},
        {"written elsewhere, never read", [&] {
             const long long key = stock.key(190);
             shop.exec("update data set [7]=[7]+100 where ID=?", {key});
             return stock.refreshRow(key);
         }},
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.what);
        const bool readAlone = w.write();
        if (std::string(w.what) == "written elsewhere, never read") {
            EXPECT_FALSE(readAlone);
            stock.open(Statement("select * from data order by ID"));
        } else {
            EXPECT_TRUE(readAlone);
        }
        const std::vector<double> expected = tableSums();
        const std::vector<double> kept = stock.sums({"2", "7"});
        ASSERT_EQ(kept.size(), 2u);
        EXPECT_NEAR(kept[0], expected[0], 1e-9);
        EXPECT_NEAR(kept[1], expected[1], 1e-9);
    }
}

TEST_P(OnDemandDatasetTest, RowGoneFromTheTableShowsEmpty)
{
    const long long key = stock.key(120);
    shop.exec("DELETE FROM data WHERE ID=?", {key});
    EXPECT_TRUE(stock.value(120, "a").isNull());
    EXPECT_EQ(stock.key(120), key);
    EXPECT_EQ(name(121), "名称121");
}

TEST_P(OnDemandDatasetTest, ResultsWithoutKeysAreReadAtOnce)
{
    stock.open(Statement("select a, [2] from data where [2]=3 order by a"));
    shop.exec("DELETE FROM data");
    ASSERT_EQ(stock.recordCount(), 29);
    EXPECT_EQ(name(0), "名称003");
    EXPECT_EQ(name(28), "名称199");
}

// Closing a result, as every re-query does first, drops its columns with its cells: a grid that
// redraws its footer in between sees no columns to sum, never cells that are gone.
TEST(DatasetClose, AClosedResultHasNoColumnsWhicheverWayItWasLoaded)
{
    const QStringList loadings[] = {{}, {"2", "7"}};
    for (const QStringList &loaded : loadings) {
        SCOPED_TRACE(loaded.join(',').toStdString());
        TestShop shop;
        shop.addStockRow({{"a", "衣服"}, {"2", 3.0}, {"7", 1.5}});
        Dataset &stock = shop.data.stockQuery;
        stock.setLoadedColumns(loaded);
        QStringList seenAtReset;
        QObject::connect(&stock, &Dataset::reset, [&] { seenAtReset = stock.columns(); });
        stock.open(Statement("select * from data"));
        ASSERT_TRUE(stock.hasColumn("7"));

        stock.close();
        EXPECT_TRUE(seenAtReset.isEmpty()) << "the reset of a close announces no columns";
        EXPECT_EQ(stock.columnCount(), 0);
        EXPECT_FALSE(stock.hasColumn("7"));
        EXPECT_THROW(stock.sums({"2", "7"}), DbError);
        EXPECT_TRUE(stock.value(0, 0).isNull());

        stock.open(Statement("select * from data"));
        EXPECT_EQ(stock.sums({"2", "7"}), std::vector<double>({3.0, 1.5}));
    }
}

} // namespace
