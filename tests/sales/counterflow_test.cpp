#include "app/mainwindow.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "stock/stockqueryview.h"
#include "support/pdftext.h"
#include "support/testapp.h"
#include "widgets/ondemandcombobox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

// The counter as the assistant works it, through the real sale and checkout panels: sell, go on
// to the next customer, reprint an earlier customer's receipt, sell again. No line may land in
// another customer's order, and every receipt charges exactly its own lines.
class CounterFlowTest : public ::testing::Test {
protected:
    CounterFlowTest() : main(shop.windows()), sale(*main.salePanel()), checkout(*main.checkoutPanel())
    {
        shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"1", 10.0}, {"4", 40.0}, {"5", 0.0}, {"6", 0.0},
                          {"7", 9.0}, {"day1", QStringLiteral("2014-07-01")}});
        shop.addStockRow({{"a", QStringLiteral("衬衫")}, {"1", 20.0}, {"4", 59.0}, {"5", 0.0}, {"6", 0.0},
                          {"7", 9.0}, {"day1", QStringLiteral("2014-07-02")}});
    }

    void sell(int row, const QString &customer)
    {
        shop.data.stockQuery.open(Statement("select * from data order by ID"));
        emit main.stockQuery()->rowClicked(row);
        emit main.stockQuery()->rowDoubleClicked(row);
        sale.customerField()->setEditText(customer);
        press(sale, "confirmSale");
    }
    static void press(QWidget &panel, const char *button)
    {
        panel.findChild<QAbstractButton *>(QString::fromLatin1(button))->click();
    }
    QString ordersOf(const QString &customer)
    {
        return shop.scalar("select group_concat(z) from (select distinct z from data1 where g=? order by z)", {customer})
            .toString();
    }

    TestShop shop;
    MainWindow &main;
    SalePanel &sale;
    CheckoutPanel &checkout;
};

TEST_F(CounterFlowTest, SellReprintAnEarlierReceiptAndSellAgain)
{
    sell(0, QStringLiteral("张三"));
    EXPECT_EQ(sale.orderNumber(), QStringLiteral("20140729001"));
    press(checkout, "nextOrderButton");
    sell(1, QStringLiteral("李四"));
    EXPECT_EQ(sale.orderNumber(), QStringLiteral("20140729002"));

    // Back to 张三's order for a second copy of his receipt.
    press(checkout, "previousOrderButton");
    EXPECT_EQ(sale.customerName(), QStringLiteral("张三"));
    checkout.setCash(QStringLiteral("50"));
    press(checkout, "posPrintButton");
    ASSERT_EQ(shop.printing.printedFiles.size(), 1) << shop.messages.lastText().toStdString();
    const QString receipt = pdfText(shop.printing.printedFiles.first());
    EXPECT_TRUE(receipt.contains(QStringLiteral("20140729001")));
    EXPECT_TRUE(receipt.contains(QStringLiteral("牛仔裤")));
    EXPECT_FALSE(receipt.contains(QStringLiteral("衬衫"))) << "only the lines of the order printed";

    // The number after a receipt is a new order, not 李四's.
    EXPECT_EQ(sale.orderNumber(), QStringLiteral("20140729003"));
    EXPECT_EQ(sale.customerName(), QString());
    sell(1, QStringLiteral("王五"));

    EXPECT_EQ(ordersOf(QStringLiteral("张三")), QStringLiteral("20140729001"));
    EXPECT_EQ(ordersOf(QStringLiteral("李四")), QStringLiteral("20140729002"));
    EXPECT_EQ(ordersOf(QStringLiteral("王五")), QStringLiteral("20140729003"));
    EXPECT_EQ(shop.scalar("select count(*) from data1 where z='20140729003'").toInt(), 1);
    EXPECT_EQ(checkout.findChild<QLineEdit *>(QStringLiteral("totalField"))->text(), QStringLiteral("59"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

} // namespace
