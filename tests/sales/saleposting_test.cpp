#include "sales/saleposting.h"

#include "common/errors.h"
#include "support/engines.h"

#include <gtest/gtest.h>

namespace {

TEST(ComputeSale, TextFormsOfEveryFigure)
{
    const struct {
        SaleNumbers in;
        SaleFigures out;
    } cases[] = {
        // p, q, s, k, m, c -> amount, new sales amount, new stock, new stock value, new sold, profit
        {{20, 2, 5, 0, 0, 10.5}, {"40", "40", "3.00", "31.5", "2", "19.00"}},
        {{20, -2, 0, 5, 100, 10.5}, {"-40", "60", "2.00", "21", "3", "-19.00"}},
        // The stock quantity is rounded to two decimals, the stock value is not.
        {{50.15, 1, 5.555, 3, 150.45, 2}, {"50.15", "200.6", "4.56", "9.11", "4", "48.15"}},
        {{0.1, 3, 1, 0, 0.2, 0}, {"0.3", "0.5", "-2.00", "0", "3", "0.30"}},
        // The amount is money: rounded to the fen, half away from zero, where it is computed.
        {{19.99, 0.5, 2, 0, 0, 10}, {"10", "10", "1.50", "15", "0.5", "5.00"}},
        {{2.5, 0.05, 1, 0, 7.2, 1}, {"0.13", "7.33", "0.95", "0.95", "0.05", "0.08"}},
        {{2.5, -0.05, 1, 0, 0, 1}, {"-0.13", "-0.13", "1.05", "1.05", "-0.05", "-0.08"}},
    };
    for (const auto &c : cases) {
        const SaleFigures f = computeSale(c.in);
        SCOPED_TRACE(c.out.amount.toStdString());
        EXPECT_EQ(f.amount, c.out.amount);
        EXPECT_EQ(f.newSalesAmount, c.out.newSalesAmount);
        EXPECT_EQ(f.newStock, c.out.newStock);
        EXPECT_EQ(f.newStockValue, c.out.newStockValue);
        EXPECT_EQ(f.newSold, c.out.newSold);
        EXPECT_EQ(f.profit, c.out.profit);
    }
}

// A shop with one stock row and the stock row as a sale would load it.
// Every posting test runs on a shop file and on a shop on a server.
class PostSaleTest : public ShopOnEngine {
protected:
    void SetUp() override
    {
        key = shop.addStockRow({{"a", QStringLiteral("  牛仔裤 ")},
                                {"b", QStringLiteral("XL")},
                                {"c", QStringLiteral("NZ01")},
                                {"d", QStringLiteral("裤子")},
                                {"g", QStringLiteral("供货商甲")},
                                {"1", 10.5},
                                {"2", 10.0},
                                {"3", 105.0},
                                {"4", 20.0},
                                {"5", 5.0},
                                {"6", 100.0},
                                {"7", 5.0},
                                {"8", 52.5},
                                {"z", QStringLiteral("备注")},
                                {"day1", QStringLiteral("2014-07-01")}});
        entry.price = QStringLiteral("20");
        entry.quantity = QStringLiteral("2");
        entry.owed = QStringLiteral("0");
        entry.saleDate = QStringLiteral("2014-07-29");
        entry.orderNumber = QStringLiteral("20140729001");
        entry.customer = QStringLiteral("  张三 ");
        entry.address = QStringLiteral("北京");
        entry.contact = QStringLiteral("13800000000");
        entry.remark = QStringLiteral("老客户");
    }

    LoadedStock loaded()
    {
        Dataset rows(shop.db, QStringLiteral("rows"));
        rows.open(Statement(QStringLiteral("select * from data where ID=?"), {key}));
        return LoadedStock::fromRow(rows, 0);
    }

    QVariantList stockFigures()
    {
        QVariantList v;
        for (const char *col : {"5", "6", "7", "8"})
            v << shop.scalar(QStringLiteral("select [%1] from data where ID=?").arg(QLatin1String(col)), {key});
        return v;
    }

    long long key = 0;
    SaleEntry entry;
};

INSTANTIATE_ON_BOTH_ENGINES(PostSaleTest);

TEST_P(PostSaleTest, UpdatesTheStockRowAndAppendsEveryColumnOfTheSaleLine)
{
    const SaleFigures f = postSale(shop.db, loaded(), entry);
    EXPECT_EQ(f.amount, QStringLiteral("40"));

    EXPECT_EQ(stockFigures(), (QVariantList{7.0, 140.0, 3.0, 31.5}));
    // The other columns of the stock row keep their values.
    const QVariantList kept{shop.scalar("select a from data"), shop.scalar("select [2] from data"),
                            shop.scalar("select [3] from data"), shop.scalar("select [4] from data"),
                            shop.scalar("select z from data"), shop.scalar("select day1 from data")};
    EXPECT_EQ(kept, (QVariantList{QStringLiteral("  牛仔裤 "), 10.0, 105.0, 20.0, QStringLiteral("备注"),
                                  QStringLiteral("2014-07-01")}));

    Dataset line(shop.db, QStringLiteral("line"));
    line.open(Statement("select * from data1"));
    ASSERT_EQ(line.recordCount(), 1);
    const QVariantHash expected{{"a", QStringLiteral("牛仔裤")},   {"b", QStringLiteral("XL")},
                                {"c", QStringLiteral("NZ01")},    {"d", QStringLiteral("裤子")},
                                {"z", QStringLiteral("20140729001")}, {"1", 10.5},
                                {"2", 20.0},                      {"3", 2.0},
                                {"4", 40.0},                      {"a5", 19.0},
                                {"6", 0.0},                       {"day1", QStringLiteral("2014-07-29")},
                                {"day2", QStringLiteral("2014-07-01")}, {"e", QStringLiteral("nzk")},
                                {"f", QStringLiteral("XL")},      {"g", QStringLiteral("张三")},
                                {"h", QStringLiteral("北京")},    {"i", QStringLiteral("13800000000")},
                                {"j", QStringLiteral("老客户")}};
    for (const QString &column : line.columns()) {
        if (column.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            continue;
        if (expected.contains(column))
            EXPECT_EQ(line.value(column), expected.value(column)) << column.toStdString();
        else
            EXPECT_TRUE(line.value(column).isNull()) << column.toStdString() << " should stay empty";
    }
}

TEST_P(PostSaleTest, HostileTextIsStoredAsTyped)
{
    entry.customer = QStringLiteral("O'Brien\"; drop table data; --");
    entry.address = QStringLiteral("100% _路_ '");
    entry.contact = QStringLiteral("\\'");
    entry.remark = QStringLiteral("a' or '1'='1");
    entry.orderNumber = QStringLiteral("2014'0729");
    postSale(shop.db, loaded(), entry);
    EXPECT_EQ(shop.scalar("select g from data1"), entry.customer);
    EXPECT_EQ(shop.scalar("select h from data1"), entry.address);
    EXPECT_EQ(shop.scalar("select i from data1"), entry.contact);
    EXPECT_EQ(shop.scalar("select j from data1"), entry.remark);
    EXPECT_EQ(shop.scalar("select z from data1"), entry.orderNumber);
    EXPECT_EQ(shop.scalar("select count(*) from data").toInt(), 1);
}

TEST_P(PostSaleTest, ABadNumberOrDateStopsBeforeAnythingIsWritten)
{
    const struct {
        const char *what;
        std::function<void(TestShop &, SaleEntry &)> spoil;
        const char *message;
    } cases[] = {
        {"price", [](TestShop &, SaleEntry &e) { e.price = QStringLiteral("12a"); }, "实际销售价：'12a'"},
        {"quantity", [](TestShop &, SaleEntry &e) { e.quantity = QStringLiteral("1.2.3"); }, "销售数量：'1.2.3'"},
        {"owed", [](TestShop &, SaleEntry &e) { e.owed = QString(); }, "欠款金额：''"},
        {"sale date", [](TestShop &, SaleEntry &e) { e.saleDate = QStringLiteral("2014-13-45"); }, "销售日期："},
        {"blank sale date", [](TestShop &, SaleEntry &e) { e.saleDate = QStringLiteral("    -  -  "); }, "销售日期："},
        {"empty stock quantity", [](TestShop &s, SaleEntry &) { s.exec("update data set [7]=NULL"); }, "库存数量：''"},
        {"empty purchase price", [](TestShop &s, SaleEntry &) { s.exec("update data set [1]=NULL"); }, "进货单价：''"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const LoadedStock stock = loaded();
        SaleEntry e = entry;
        shop.exec("update data set [1]=10.5, [7]=5");
        c.spoil(shop, e);
        const QVariantList before = stockFigures();
        try {
            postSale(shop.db, stock, e);
            ADD_FAILURE() << "posted";
        } catch (const ConversionError &error) {
            EXPECT_TRUE(error.text().startsWith(QString::fromUtf8(c.message))) << error.text().toStdString();
        }
        EXPECT_EQ(stockFigures(), before);
        EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 0);
    }
}

TEST_P(PostSaleTest, StockRowWithoutStockInDateIsLeftUnchanged)
{
    shop.exec("update data set day1=NULL");
    EXPECT_THROW(postSale(shop.db, loaded(), entry), ConversionError);
    EXPECT_EQ(stockFigures(), (QVariantList{5.0, 100.0, 5.0, 52.5}));
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 0);
}

TEST_P(PostSaleTest, ASaleLineTheDatabaseRefusesTakesTheStockUpdateBackWithIt)
{
    // The stock row is written first; the refused sale line must undo it. Each engine refuses it
    // through a trigger of its own kind.
    if (shop.db.onServer()) {
        shop.exec("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RAISE EXCEPTION ''disk full''; END'");
        shop.exec("CREATE TRIGGER refuse BEFORE INSERT ON data1 FOR EACH ROW EXECUTE FUNCTION refuse()");
    } else {
        shop.exec("CREATE TRIGGER refuse BEFORE INSERT ON data1 BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    }
    try {
        postSale(shop.db, loaded(), entry);
        ADD_FAILURE() << "posted";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains("disk full")) << e.text().toStdString();
    }
    EXPECT_EQ(stockFigures(), (QVariantList{5.0, 100.0, 5.0, 52.5}));
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 0);
    EXPECT_FALSE(shop.db.inWriteGroup());

    shop.exec(shop.db.onServer() ? "DROP TRIGGER refuse ON data1" : "DROP TRIGGER refuse");
    postSale(shop.db, loaded(), entry);
    EXPECT_EQ(stockFigures(), (QVariantList{7.0, 140.0, 3.0, 31.5}));
}

TEST_P(PostSaleTest, AStockRowDeletedMeanwhileGetsNoSaleLine)
{
    const LoadedStock stock = loaded();
    shop.exec("delete from data");
    EXPECT_THROW(postSale(shop.db, stock, entry), DbError);
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 0);
}

TEST_P(PostSaleTest, TheRowAfterAPostingIsWhatTheDatabaseHolds)
{
    LoadedStock stock = loaded();
    stock = stock.after(postSale(shop.db, stock, entry));
    EXPECT_EQ(stock.stock, QStringLiteral("3"));
    postSale(shop.db, stock, entry);
    EXPECT_EQ(stockFigures(), (QVariantList{9.0, 180.0, 1.0, 10.5}));
    EXPECT_EQ(loaded().sold, QStringLiteral("9"));
}

} // namespace

namespace {

// Another program sells from the row between the load and the posting: the posting counts from
// what the database holds, and a sale the stock no longer covers is refused with today's figures.
TEST_P(PostSaleTest, ACopyLoadedBeforeAnotherTillSoldIsPostedFromTheStoredRow)
{
    const LoadedStock stale = loaded();
    shop.exec("update data set [5]=8, [6]=160, [7]=2, [8]=21"); // the other till sold 3 at 20

    LoadedStock now;
    postSale(shop.db, stale, entry, &now);
    EXPECT_EQ(stockFigures(), (QVariantList{10.0, 200.0, 0.0, 0.0}));
    EXPECT_EQ(now.stock, QStringLiteral("0"));
    EXPECT_EQ(now.sold, QStringLiteral("10"));

    try {
        postSale(shop.db, stale, entry);
        ADD_FAILURE() << "sold from an empty stock row";
    } catch (const StockShortage &shortage) {
        EXPECT_EQ(shortage.now().stock, QStringLiteral("0"));
        EXPECT_EQ(shortage.now().sold, QStringLiteral("10"));
    }
    EXPECT_EQ(stockFigures(), (QVariantList{10.0, 200.0, 0.0, 0.0}));
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 1);
}

} // namespace
