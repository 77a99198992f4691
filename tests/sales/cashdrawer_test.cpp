#include "sales/cashdrawer.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "sales/checkoutpanel.h"
#include "sales/drawerlogwindow.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salepanel.h"
#include "sales/thermalreceipt.h"
#include "support/engines.h"
#include "support/escposprinters.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

// The shop's windows with a network receipt printer of the test's own chosen in the receipt
// settings and "打开钱箱" ticked.
class CashDrawerTest : public ShopFixture, public ::testing::Test {
protected:
    explicit CashDrawerTest(TestShop::Engine engine = TestShop::Engine::File)
        : ShopFixture(engine), main(shop.windows())
    {
        const std::pair<const char *, QString> choice[] = {
            {"posprinter", QStringLiteral("thermal")}, {"posport", QStringLiteral("network")},
            {"poshost", QStringLiteral("127.0.0.1")},  {"posportno", QString::number(printer.port())},
            {"posdrawer", QStringLiteral("yes")},
        };
        for (auto [name, value] : choice)
            shop.windowSet().receiptSettings->setText(QString::fromLatin1(name), value);
    }

    QStringList openingRows()
    {
        QStringList rows;
        for (const cashdrawer::Opening &o : cashdrawer::openings(shop.db))
            rows << QStringLiteral("%1 %2 %3").arg(o.at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), o.user,
                                                   o.orderNumber.isEmpty() ? QStringLiteral("-") : o.orderNumber);
        return rows;
    }

    FakeNetworkPrinter printer;
    MainWindow &main;
};

class CashDrawerOnBothEngines : public OnBothEngines<CashDrawerTest> {};

} // namespace

// The drawer opened by itself and by a receipt with cash: both recorded with time and user, the
// sale's with its order number; "钱箱记录" lists them, the latest first.
TEST_P(CashDrawerOnBothEngines, OpeningsAloneAndWithASaleAreRecordedAndListed)
{
    shop.logIn();
    main.actions().openDrawer->trigger();
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ(EscposPrintout::decode(printer.received()).sequence,
              (QStringList{QStringLiteral("init"), QStringLiteral("pulse 0 25 250")}));

    shop.clock.time = shop.clock.time.addSecs(90);
    const QString number = main.salePanel()->orderNumber().trimmed();
    shop.exec(QStringLiteral("INSERT INTO data1 (a, z, [2], [3], [4]) VALUES ('连衣裙', ?, 40, 1, 40)"), {number});
    CheckoutPanel *checkout = main.checkoutPanel();
    checkout->refresh();
    checkout->findChild<QLineEdit *>(QStringLiteral("cashField"))->setText(QStringLiteral("50"));
    checkout->findChild<QPushButton *>(QStringLiteral("posPrintButton"))->click();
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();

    EXPECT_EQ(openingRows(), (QStringList{QStringLiteral("2014-07-29 10:31:30 超级管理员 ") + number,
                                          QStringLiteral("2014-07-29 10:30:00 超级管理员 -")}));

    main.actions().drawerLog->trigger();
    DrawerLogWindow *log = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        log = log ? log : qobject_cast<DrawerLogWindow *>(top);
    ASSERT_NE(log, nullptr);
    const QTableWidget *table = log->findChild<QTableWidget *>(QStringLiteral("openings"));
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 2)->text(), number);
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("2014-07-29 10:30:00"));
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("超级管理员"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("（无销售）"));
    log->close();
}

INSTANTIATE_ON_BOTH_ENGINES(CashDrawerOnBothEngines);

// Anyone else logs in without the two drawer items, and the drawer refuses them all the same.
TEST_F(CashDrawerTest, OnlyTheSuperadministratorOpensTheDrawer)
{
    shop.logInThroughWindow(QStringLiteral("收银乙"));
    ASSERT_EQ(shop.ctx.session.userName, QStringLiteral("收银乙"));
    for (QAction *action : {main.actions().openDrawer, main.actions().drawerLog}) {
        EXPECT_FALSE(action->isVisible());
        EXPECT_FALSE(action->isEnabled());
        action->trigger();
    }
    const receipt::PrinterChoice choice = receipt::PrinterChoice::fromTexts(
        [this](const QString &name) { return shop.windowSet().receiptSettings->text(name); });
    cashdrawer::openAlone(shop.ctx, choice);
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("只有超级管理员可以打开钱箱")});
    EXPECT_TRUE(openingRows().isEmpty());
}

// Without a receipt printer there is no drawer to open; a printer that does not answer opens
// nothing and records nothing.
TEST_F(CashDrawerTest, ADrawerThatCannotOpenIsToldAndNotRecorded)
{
    shop.logIn();
    shop.windowSet().receiptSettings->setText(QStringLiteral("posprinter"), QStringLiteral("system"));
    main.actions().openDrawer->trigger();
    EXPECT_EQ(shop.messages.texts(),
              QStringList{QStringLiteral("钱箱接在小票打印机上：请先在“打印设置”里选择小票打印机")});

    shop.messages.clear();
    const int refused = refusingPort();
    shop.windowSet().receiptSettings->setText(QStringLiteral("posprinter"), QStringLiteral("thermal"));
    shop.windowSet().receiptSettings->setText(QStringLiteral("posportno"), QString::number(refused));
    main.actions().openDrawer->trigger();
    EXPECT_EQ(shop.messages.texts(),
              QStringList{QStringLiteral("小票打印机没有连接：127.0.0.1:%1 拒绝连接").arg(refused)});
    EXPECT_TRUE(openingRows().isEmpty());
}
