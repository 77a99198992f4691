// The program's statements give the same rows in the same order on a shop database on a
// PostgreSQL server as in a shop file: the same data is written to both through the same
// statements and every listing of the windows is read back from both. The rows are stored in an
// order other than their keys' and some are written again afterwards (a server then keeps them
// elsewhere), so an order left to the engine shows.
#include "data/database.h"
#include "data/dataset.h"
#include "data/pgconnection.h"
#include "data/routines.h"
#include "sales/owedcustomers.h"
#include "sales/salepanel.h"
#include "sales/saleslistings.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockconditions.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"
#include "users/usertable.h"

#include <gtest/gtest.h>

namespace {

// A value as compared: null, a number to 15 digits, or the text.
QString shown(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("∅");
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

class ServerStatementsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = TestShop::serverShopDatabase();
        ASSERT_TRUE(server);

        // Keys out of order; days that do not follow the keys, ties within a day, missing days.
        const char *stock = "INSERT INTO data (ID, a, b, c, d, e, f, g, [1], [2], [3], [4], [5], [6], [7], [8], z, day1) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
        const QVariant none;
        const QList<QVariantList> stockRows = {
            {4, "衬衫", "XL", "C001", "上衣", "cs", "xl", "天虹", 50.0, 10.0, 500.0, 99.0, 2.0, 198.0, 8.0, 400.0, "春季", "2014-07-01"},
            {2, "长裤", "L", "K002", "裤装", "zk", "l", "批发市场", 80.0, 2.0, 160.0, 150.0, 0.0, 0.0, 2.0, 160.0, none, "2014-06-15"},
            {5, "阿迪T恤", none, "A1", "上衣", "adtx", "", "天虹", 30.0, 5.0, 150.0, 59.9, 5.0, 299.5, 0.0, 0.0, "", "2014-07-20"},
            {1, "衬衫", "XL", "C001", "上衣", "cs", "xl", "天虹", 50.0, 3.0, 150.0, 99.0, 0.0, 0.0, 3.0, 150.0, none, "2014-07-01"},
            {3, "短裙", none, "Q3", "裙装", "dq", none, "天虹超市", 40.0, 4.0, 160.0, 80.0, 1.0, 80.0, 3.0, 120.0, none, none},
            {6, "毛衣", "M", "M6", "上衣", "my", "m", "天虹", 60.0, 0.0, 0.0, 120.0, 0.0, 0.0, -1.0, -60.0, none, "2014-07-28"},
        };
        for (const QVariantList &row : stockRows)
            both(Statement(QString::fromUtf8(stock), row));
        const char *line = "INSERT INTO data1 (ID, a, b, c, d, e, f, g, h, i, j, z, [1], [2], [3], [4], a5, [6], day1) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
        const QList<QVariantList> lines = {
            {7, "衬衫", "XL", "C001", "上衣", "cs", "xl", "张三", "北京路1号", "13805712345", "", "20140705001", 50.0, 99.0,
             2.0, 198.0, 98.0, 50.0, "2014-07-05"},
            {3, "阿迪T恤", none, "A1", "上衣", "adtx", "", " 张三 ", "北京路1号", "13805712345", "老客户", "20140729001",
             30.0, 59.9, 5.0, 299.5, 149.5, 100.0, "2014-07-29"},
            {9, "衬衫", "XL", "C001", "上衣", "cs", "xl", none, none, none, none, "20140729002", 50.0, 99.0, -1.0, -99.0,
             -49.0, 0.0, "2014-07-29"},
            {1, "长裤", "L", "K002", "裤装", "zk", "l", "李四", "", "13900001111", "", "20140610001", 80.0, 150.0, 1.0,
             150.0, 70.0, 20.5, "2014-06-10"},
            // One customer's owed lines of one day: by amount, then by the name as stored.
            {5, "衬衫", "XL", "C001", "上衣", "cs", "xl", "张三", "北京路1号", "13805712345", "", "20140729003", 50.0, 99.0,
             1.0, 99.0, 49.0, 50.0, "2014-07-29"},
            {2, "长裤", "L", "K002", "裤装", "zk", "l", "张三", "北京路1号", "13805712345", "", "20140729004", 80.0, 150.0,
             1.0, 150.0, 70.0, 100.0, "2014-07-29"},
            {8, "阿迪T恤", none, "A1", "上衣", "adtx", "", "王五", none, none, none, "20140729002", 30.0, 59.9, -2.0,
             -119.8, -59.8, 0.0, "2014-07-29"},
            {4, "衬衫", "XL", "C001", "上衣", "cs", "xl", "赵六", "", "", "", none, 50.0, 99.0, 1.0, 99.0, 49.0, 0.0, none},
            {6, "短裙", none, "Q3", "裙装", "dq", none, "张三", none, "13805712345", "", "20140702001", 40.0, 80.0, 1.0,
             80.0, 40.0, 30.0, "2014-07-02"},
        };
        for (const QVariantList &row : lines)
            both(Statement(QString::fromUtf8(line), row));
        for (const char *user : {"店员乙", "店员甲"})
            both(Statement("INSERT INTO userdb (username, passwd) VALUES (?, 'x')", {QString::fromUtf8(user)}));
        // Written again: a server keeps the new version of a row after the others.
        both(Statement("UPDATE data SET z='改' WHERE ID=1"));
        both(Statement("UPDATE data1 SET j='改' WHERE ID IN (2, 3)"));
        both(Statement("UPDATE userdb SET passwd='y' WHERE username='超级管理员'"));
        // The server reads the tables as stored rather than through an index that happens to hold
        // the rows in the wanted order.
        server->execute(Statement("SET enable_indexscan = off"));
        server->execute(Statement("SET enable_indexonlyscan = off"));
    }

    void both(const Statement &statement)
    {
        shop.db.execute(statement);
        server->execute(statement);
    }

    static QStringList rows(Database &db, const Statement &statement)
    {
        QStringList out;
        db.query(statement, [&](const ResultRow &row) {
            QStringList values;
            for (int c = 0; c < row.columnCount(); ++c)
                values << shown(row.value(c));
            out << values.join(QLatin1String(" | "));
        });
        return out;
    }

    TestShop shop;
    std::unique_ptr<Database> server;
};

} // namespace

TEST_F(ServerStatementsTest, EveryListingGivesTheSameRowsInTheSameOrderOnBothEngines)
{
    SalesConditions byName;
    byName.name = QStringLiteral("c");
    SalesConditions byNameThisMonth = byName;
    byNameThisMonth.dateRange = true;
    byNameThisMonth.from = QDate(2014, 7, 1);
    byNameThisMonth.to = QDate(2014, 7, 31);
    SalesConditions byCode;
    byCode.code = QStringLiteral("1");
    StockConditions bySupplier;
    bySupplier.supplier = QStringLiteral("天");
    StockConditions byStockInDate;
    byStockInDate.dateRange = true;
    byStockInDate.from = QDate(2014, 6, 1);
    byStockInDate.to = QDate(2014, 7, 31);
    const OwedCustomer zhang{QStringLiteral("张三"), QStringLiteral("13805712345"), QStringLiteral("北京路1号")};
    const struct {
        const char *what;
        Statement statement;
        bool readInOrder; // a file reads the rows in this order: it sorts nothing
    } cases[] = {
        {"sales of this month", saleslistings::thisMonth(QDate(2014, 7, 29)), true},
        {"every sale line", saleslistings::allRecords(), true},
        {"the returns", saleslistings::allReturns(), true},
        {"sales by a text", saleslistings::sales(byName), true},
        {"sales by a text in a date range", saleslistings::sales(byNameThisMonth), true},
        {"sales without conditions", saleslistings::sales({}), true},
        {"returns by a text", saleslistings::returns(byCode), true},
        {"an order's lines", saleslistings::orderNumber(QStringLiteral("2014")), true},
        {"customers who owe", owedcustomers::customers(), false},
        {"a customer's owed lines", owedcustomers::linesOf(zhang), true},
        {"inventory summary", InventorySummaryWindow::statement(), false},
        {"stock by a text", stockConditionsStatement(StockListing::allRows().baseCondition, bySupplier), true},
        {"stock in stock by stock-in date", stockConditionsStatement(StockListing::nonZeroStock().baseCondition, byStockInDate),
         true},
        {"all stock rows", Statement(StockListing::allRows().allRecords), false},
        {"stock rows in stock", Statement(StockListing::nonZeroStock().allRecords), false},
        {"a customer's address", SalePanel::customerLookup(QStringLiteral("张三")), false},
        {"an order's customer", SalePanel::orderLookup(QStringLiteral("20140729002")), false},
        {"pinyin order", Statement("select a from data order by a collate pinyin, ID"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList inFile = rows(shop.db, c.statement);
        QStringList onServer;
        try {
            onServer = rows(*server, c.statement);
        } catch (const DbError &e) {
            ADD_FAILURE() << e.text().toStdString() << "\n" << pgsql::serverSql(c.statement.sql).toStdString();
            continue;
        }
        EXPECT_EQ(onServer, inFile);
        EXPECT_GT(inFile.size(), 1);
        if (c.readInOrder) {
            const QStringList plan = rows(shop.db, Statement("explain query plan " + c.statement.sql, c.statement.params));
            EXPECT_FALSE(plan.join('\n').contains("TEMP B-TREE")) << plan.join('\n').toStdString();
        }
    }
}

TEST_F(ServerStatementsTest, ListsOfNamesComeInTheSameOrderOnBothEngines)
{
    Dataset inFile(shop.db, QStringLiteral("work")), onServer(*server, QStringLiteral("work"));
    // Users in the order they were added, whatever was written to them since.
    EXPECT_EQ(usertable::names(onServer), usertable::names(inFile));
    EXPECT_EQ(usertable::names(inFile), QStringList({"超级管理员", "店员乙", "店员甲"}));
    // The choices of a column, a missing value among them.
    for (const auto &[column, table] : {std::pair{"b", "data"}, std::pair{"h", "data1"}}) {
        SCOPED_TRACE(column);
        const QStringList values = routines::distinctValues(inFile, QLatin1String(column), QLatin1String(table));
        EXPECT_EQ(routines::distinctValues(onServer, QLatin1String(column), QLatin1String(table)), values);
        EXPECT_EQ(values.value(0), QString());
    }
}
