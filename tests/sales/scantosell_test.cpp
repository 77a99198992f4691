#include "app/mainwindow.h"
#include "sales/salepanel.h"
#include "support/testapp.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A barcode scanner at the counter: it types a code a few milliseconds per key and ends it with
// Enter, into "商品编码：" of the real main window.
class ScanToSellTest : public ::testing::Test {
protected:
    ScanToSellTest() : main(shop.windows()), sale(*main.salePanel())
    {
        // Two batches of one article: the older one sold out, so the sale takes the next oldest.
        stock(QStringLiteral("羽绒服"), QStringLiteral("6901"), 0, QStringLiteral("2014-06-01"));
        oldest = stock(QStringLiteral("羽绒服"), QStringLiteral("6901"), 5, QStringLiteral("2014-06-15"));
        stock(QStringLiteral("羽绒服"), QStringLiteral("6901"), 5, QStringLiteral("2014-07-01"));
        // A code holding another as a part of it, and one code shared by two articles.
        stock(QStringLiteral("衬衫"), QStringLiteral("91234"), 3, QStringLiteral("2014-07-01"));
        stock(QStringLiteral("围巾"), QStringLiteral("555"), 3, QStringLiteral("2014-07-01"));
        stock(QStringLiteral("手套"), QStringLiteral("555"), 3, QStringLiteral("2014-07-01"));
        code = main.findChild<QLineEdit *>(QStringLiteral("queryCode"));
    }
    long long stock(const QString &name, const QString &c, double quantity, const QString &day)
    {
        return shop.addStockRow({{"a", name}, {"c", c}, {"1", 100.0}, {"2", 5.0}, {"4", 300.0}, {"5", 5.0 - quantity},
                                 {"6", 0.0}, {"7", quantity}, {"day1", day}});
    }
    void scan(const QString &typed)
    {
        QTest::keyClicks(code, typed, Qt::NoModifier, 3);
        QTest::keyClick(code, Qt::Key_Return);
    }
    QString quantity() const { return sale.findChild<QWidget *>(QStringLiteral("quantity"))->property("text").toString(); }
    QString statusText() const { return main.statusPanel(0)->text(); }
    int saleLines() { return shop.scalar("select count(*) from data1").toInt(); }

    TestShop shop;
    MainWindow &main;
    SalePanel &sale;
    QLineEdit *code = nullptr;
    long long oldest = -1;
};

TEST_F(ScanToSellTest, AScanOpensTheSaleAScanAgainAddsOneAndEnterSells)
{
    scan(QStringLiteral("6901"));
    ASSERT_FALSE(sale.isHidden());
    ASSERT_TRUE(sale.loadedStock().has_value());
    EXPECT_EQ(sale.loadedStock()->key, oldest) << "the oldest batch that has stock";
    EXPECT_EQ(quantity(), QStringLiteral("1"));
    EXPECT_EQ(code->text(), QString()) << "ready for the next scan";

    scan(QStringLiteral("6901"));
    EXPECT_EQ(quantity(), QStringLiteral("2"));
    EXPECT_EQ(saleLines(), 0);

    QTest::keyClick(code, Qt::Key_Return);
    EXPECT_TRUE(sale.isHidden());
    ASSERT_EQ(saleLines(), 1) << shop.messages.lastText().toStdString();
    EXPECT_EQ(shop.scalar("select [3] from data1").toDouble(), 2);
    EXPECT_EQ(shop.scalar("select [7] from data where ID=?", {oldest}).toDouble(), 3);
    EXPECT_EQ(code->text(), QString());

    // The next customer's scan starts a new sale at quantity 1.
    scan(QStringLiteral("6901"));
    EXPECT_FALSE(sale.isHidden());
    EXPECT_EQ(quantity(), QStringLiteral("1"));
}

TEST_F(ScanToSellTest, ACodeOfNoArticleOrOfSeveralStartsNoSale)
{
    const struct {
        const char *code;
        const char *status;
    } cases[] = {
        {"123", "没有编码为 123 的有库存商品"}, // a part of 91234 only
        {"99", "没有编码为 99 的有库存商品"},
        {"555", "编码 555 对应多种商品，请双击要销售的商品"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        code->clear();
        scan(QString::fromLatin1(c.code));
        EXPECT_TRUE(sale.isHidden());
        EXPECT_EQ(statusText(), QString::fromUtf8(c.status));
        EXPECT_TRUE(shop.messages.boxes.isEmpty()) << "no box to dismiss at the counter";
        EXPECT_EQ(saleLines(), 0);
    }
    // The code shared by two articles lists both, to choose from.
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 2);
}

} // namespace
