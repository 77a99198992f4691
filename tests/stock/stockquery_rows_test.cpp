#include "data/dataset.h"
#include "data/schema.h"
#include "stock/stockconditions.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "widgets/grid.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// The main grid reads a stock query in two steps: a narrower statement for every row (the key
// and the summed numbers), the other columns by key as rows are shown. Whatever the conditions,
// the grid must end up with exactly the rows, order, values and sums of the plain statement.
class StockQueryRowsTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char *const names[] = {"nzk", "yrf", "NZK", "n%k", "n_k", "cs", nullptr};
        inTransaction(shop.db, [&] {
            for (int i = 0; i < 60; ++i) {
                const char *initials = names[i % 7];
                shop.addStockRow({{"a", QStringLiteral("商品%1").arg(i)},
                                  {"b", i % 4 == 0 ? QVariant() : QVariant(QStringLiteral("规格%1").arg(i % 4))},
                                  {"c", QStringLiteral("69%1").arg(i)},
                                  {"d", i % 2 ? QStringLiteral("男装") : QStringLiteral("女装")},
                                  {"e", initials ? QVariant(QString::fromLatin1(initials)) : QVariant()},
                                  {"f", QStringLiteral("gg%1").arg(i % 4)},
                                  {"g", QStringLiteral("制衣厂")},
                                  {"1", 12.5},
                                  {"2", i % 5 == 0 ? 0 : i},
                                  {"3", i * 12.5},
                                  {"5", i % 3},
                                  {"6", (i % 3) * 20.05},
                                  {"7", i % 6 == 0 ? 0.0 : i - i % 3 + 0.125},
                                  {"8", i * 1.0001},
                                  {"z", i % 3 ? QVariant(QStringLiteral("备注")) : QVariant()},
                                  {"day1", QStringLiteral("2014-07-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0'))}});
            }
        });
    }

    // Every value of the plain statement, row by row.
    QList<QVariantList> plainRows(const Statement &statement)
    {
        QList<QVariantList> rows;
        shop.db.query(statement, [&](const ResultRow &r) {
            QVariantList row;
            for (int c = 0; c < r.columnCount(); ++c)
                row << r.value(c);
            rows << row;
        });
        return rows;
    }

    TestShop shop;
};

struct Case {
    const char *what;
    void (*fill)(StockConditions &);
};

const Case kCases[] = {
    {"nothing", [](StockConditions &) {}},
    {"name, any case", [](StockConditions &c) { c.name = "nz"; }},
    {"name with a percent sign typed", [](StockConditions &c) { c.name = "%"; }},
    {"name with an underscore typed", [](StockConditions &c) { c.name = "n_"; }},
    {"name matching nothing", [](StockConditions &c) { c.name = "q"; }},
    {"model", [](StockConditions &c) { c.model = "g1"; }},
    {"name and model", [](StockConditions &c) {
         c.name = "k";
         c.model = "gg";
     }},
    {"code, category and remark", [](StockConditions &c) {
         c.code = "2";
         c.category = "男";
         c.remark = "备";
     }},
    {"date range and supplier", [](StockConditions &c) {
         c.dateRange = true;
         c.from = QDate(2014, 7, 3);
         c.to = QDate(2014, 7, 20);
         c.supplier = "厂";
     }},
};

TEST_F(StockQueryRowsTest, GridRowsEqualThePlainStatement)
{
    Grid grid(shop.data.stockQuery, StockQueryView::gridColumns());
    grid.readOnDemand();
    Dataset &stock = shop.data.stockQuery;
    for (const StockListing &listing : {StockListing::allRows(), StockListing::nonZeroStock()}) {
        for (const Case &c : kCases) {
            SCOPED_TRACE(std::string(c.what) + " / " + listing.baseCondition.toStdString());
            StockConditions conditions;
            c.fill(conditions);
            const Statement statement = stockConditionsStatement(listing.baseCondition, conditions);
            stock.open(statement);
            EXPECT_NE(stock.rowsStatement().sql, statement.sql) << "the rows are read by a narrower statement";

            const QList<QVariantList> expected = plainRows(statement);
            ASSERT_EQ(stock.recordCount(), expected.size());
            QMap<QString, double> sums;
            for (const QString &field : grid.model()->summedFields())
                sums[field] = 0;
            // Back to front, so rows are read by key in an order unlike the loading one.
            for (int row = stock.recordCount() - 1; row >= 0; --row) {
                for (int column = 0; column < stock.columnCount(); ++column)
                    ASSERT_EQ(stock.value(row, column), expected[row][column])
                        << "row " << row << " column " << stock.columns().at(column).toStdString();
                for (auto it = sums.begin(); it != sums.end(); ++it)
                    it.value() += expected[row][stock.columnIndex(it.key())].toDouble();
            }
            for (auto it = sums.cbegin(); it != sums.cend(); ++it)
                EXPECT_NEAR(stock.sum(it.key()), it.value(), 1e-6) << it.key().toStdString();
        }
    }
}

TEST_F(StockQueryRowsTest, SumsFollowAnEditAndADeleteOfALoadedRow)
{
    Dataset &stock = shop.data.stockQuery;
    stock.setLoadedColumns({QStringLiteral("2"), QStringLiteral("7")});
    stock.open(stockConditionsStatement(StockListing::allRows().baseCondition, {}));
    const double bought = stock.sum(QStringLiteral("2"));
    stock.setCurrentRow(3);
    const double first = stock.value(3, QStringLiteral("2")).toDouble();
    stock.updateByKey(stock.currentKey(), {{QStringLiteral("2"), first + 100}});
    EXPECT_DOUBLE_EQ(stock.sum(QStringLiteral("2")), bought + 100);
    stock.deleteCurrent();
    EXPECT_DOUBLE_EQ(stock.sum(QStringLiteral("2")), bought - first);
}

// A database made before the scan indexes existed gets them when it is opened, and a keystroke
// of either listing reads one of them instead of the table.
TEST(StockScanIndex, AddedAtOpenAndUsedByBothListings)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data.db"));
    {
        Database old(file);
        old.create();
        old.execute(Statement("DROP INDEX data_scan_bought"));
        old.execute(Statement("DROP INDEX data_scan_in_stock"));
        old.execute(Statement("DROP INDEX data1_by_day"));
    }
    Database db(file);
    db.open();
    EXPECT_EQ(db.scalar(Statement("select count(*) from sqlite_master where type='index' and sql is not null")).toInt(),
              int(schema::indexStatements().size()));
    db.open(); // again: nothing to add, nothing fails

    Dataset stock(db, QStringLiteral("stock"));
    stock.setLoadedColumns({"2", "3", "5", "6", "7", "8"});
    for (const StockListing &listing : {StockListing::allRows(), StockListing::nonZeroStock()}) {
        for (void (*fill)(StockConditions &) : {+[](StockConditions &c) { c.name = "y"; },
                                                 +[](StockConditions &c) { c.model = "x"; }}) {
            StockConditions conditions;
            fill(conditions);
            stock.open(stockConditionsStatement(listing.baseCondition, conditions));
            QString plan;
            db.query(Statement(QStringLiteral("explain query plan ") + stock.rowsStatement().sql, stock.rowsStatement().params),
                     [&](const ResultRow &row) { plan += row.text(3); });
            EXPECT_TRUE(plan.contains(QStringLiteral("COVERING INDEX data_scan_"))) << plan.toStdString();
        }
    }
}

} // namespace
