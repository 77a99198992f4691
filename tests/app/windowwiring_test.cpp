#include "app/mainwindow.h"
#include "app/windowset.h"
#include "common/shopevents.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "widgets/successprompt.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

// Records which of the shop's datasets were read again, in order. A read empties the dataset and
// fills it, so one read is one entry.
class ReadRecorder {
public:
    explicit ReadRecorder(DataModule &data)
    {
        const std::pair<Dataset *, const char *> named[] = {
            {&data.stockQuery, "main grid"},          {&data.salesQuery, "sales details"},
            {&data.orderLinesQuery, "checkout"},      {&data.summaryQuery, "inventory summary"},
            {&data.workQuery, "lists"},
        };
        for (const auto &[dataset, name] : named)
            QObject::connect(dataset, &Dataset::reset, &m_context, [this, name = name] {
                if (reads.isEmpty() || reads.last() != QString::fromUtf8(name))
                    reads << QString::fromUtf8(name);
            });
    }
    QStringList reads;

private:
    QObject m_context;
};

TEST(WindowWiringTest, APostingRefreshesTheWindowsInTheirOrder)
{
    TestShop shop;
    shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"b", QStringLiteral("XL")}, {"c", QStringLiteral("NZ01")},
                      {"d", QStringLiteral("裤子")}, {"1", 10.5}, {"2", 5.0}, {"4", 20.0}, {"5", 0.0},
                      {"6", 0.0}, {"7", 5.0}, {"8", 52.5}, {"day1", QStringLiteral("2014-07-01")}});
    MainWindow &main = shop.windows();
    shop.data.stockQuery.open(Statement("select * from data order by ID"));
    SalePanel &sale = *main.salePanel();
    emit main.stockQuery()->rowClicked(0);
    emit main.stockQuery()->rowDoubleClicked(0);
    sale.customerField()->setEditText(QStringLiteral("张三"));

    QStringList announced;
    QObject::connect(&shop.events, &ShopEvents::succeeded, [&](const QString &text) { announced << text; });
    QObject::connect(&shop.events, &ShopEvents::salePosted, [&](const QString &order) { announced << order; });
    ReadRecorder recorder(shop.data);
    sale.findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();

    ASSERT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ(announced, (QStringList{QStringLiteral("销售数据保存成功..."), QStringLiteral("20140729001")}));
    // The grid with the conditions kept, the order's lines in the sales details, the customer list,
    // this month's lines in the sales details, then the order in the checkout.
    EXPECT_EQ(recorder.reads, (QStringList{"main grid", "sales details", "lists", "sales details", "checkout"}));
    EXPECT_EQ(shop.windowSet().salesDetails->orderNumberText(), QStringLiteral("20140729001"));
    EXPECT_EQ(shop.data.salesQuery.recordCount(), 1);
    EXPECT_EQ(main.successPrompt()->text(), QStringLiteral("销售数据保存成功..."));
    EXPECT_EQ(sale.customerName(), QStringLiteral("张三")) << "the customer stays for the next line of the order";
    EXPECT_EQ(main.checkoutPanel()->findChild<QTableView *>(QStringLiteral("orderLines"))->model()->rowCount(), 1);
}

TEST(WindowWiringTest, StockRowsChangedListsEveryRowAgain)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    shop.addStockRow({{"a", QStringLiteral("衬衫")}, {"7", 3.0}});
    emit shop.events.stockRowsChanged();
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 1);
    EXPECT_EQ(main.stockQuery()->grid()->model()->rowCount(), 1);
}

TEST(WindowWiringTest, TheCustomerListIsFilledWhenTheWindowFirstShows)
{
    TestShop shop;
    shop.exec("insert into data1 (a, z, g) values ('旧货', '20140701001', '李四')");
    MainWindow &main = shop.windows();
    EXPECT_NE(main.salePanel()->customerField()->findText(QStringLiteral("李四")), -1);
}

} // namespace
