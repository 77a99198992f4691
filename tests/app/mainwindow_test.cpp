#include "app/mainwindow.h"
#include "app/aboutbox.h"
#include "app/helpwindow.h"
#include "app/skins.h"
#include "app/windowset.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salesdetailswindow.h"
#include "sales/salesnotelayout.h"
#include "stock/excelimportwindow.h"
#include "stock/inventorysummarywindow.h"
#include "users/logindialog.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "stock/stockinpanel.h"
#include "support/testapp.h"
#include "widgets/dateedit.h"
#include "widgets/successprompt.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(WindowSet, CreatedInOrderWithTheirNames)
{
    TestShop shop;
    QStringList existingWhenDatabaseOpens;
    const auto set = createWindowSet(shop.ctx, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName().startsWith(QLatin1Char('T')))
                existingWhenDatabaseOpens << w->objectName();
        }
    });
    set->main->setLoginGateEnabled(false);
    existingWhenDatabaseOpens.sort();
    EXPECT_EQ(existingWhenDatabaseOpens, QStringList({"TMainForm", "Tchhform", "Tloginfm"}))
        << "the database opens after the login window and before the about box";
    QStringList names;
    for (QObject *o : {static_cast<QObject *>(set->main), static_cast<QObject *>(set->help),
                       static_cast<QObject *>(set->login), static_cast<QObject *>(&shop.data),
                       static_cast<QObject *>(set->about), static_cast<QObject *>(set->salesDetails),
                       static_cast<QObject *>(set->inventorySummary), static_cast<QObject *>(set->excelImport),
                       static_cast<QObject *>(set->salesNote), static_cast<QObject *>(set->receiptSettings)})
        names << o->objectName();
    EXPECT_EQ(names, QStringList({"TMainForm", "Tchhform", "Tloginfm", "Tdmfm", "TAboutBox", "Txstj", "TForm1", "Texcell",
                                  "Tform22", "Tpos"}));
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString() << " is created hidden";
}

TEST(MainWindowFrame, SizeStatusBarAndFirstShow)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    EXPECT_EQ(main.size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    EXPECT_TRUE(main.windowTitle().startsWith(QStringLiteral("Tolvane服装销售管理软件")));
    const int widths[4] = {350, 200, 200, 300};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(main.statusPanel(i)->width(), widths[i]);
    EXPECT_EQ(main.statusPanel(1)->text(), QStringLiteral("操作员："));
    EXPECT_EQ(main.statusPanel(2)->text(), QStringLiteral("今天：2014-07-29"));
    EXPECT_EQ(main.salePanel()->saleDateField()->dateText(), QStringLiteral("2014-07-29"));
    EXPECT_EQ(main.stockInPanel()->dateField()->dateText(), QStringLiteral("2014-07-29"));
    EXPECT_FALSE(main.stockInPanel()->isVisible());
    EXPECT_TRUE(shop.data.stockTable.isOpen());
    EXPECT_TRUE(shop.data.salesTable.isOpen());
}

struct StoredCase {
    QList<QPair<QString, QString>> values;
    int skin;
    QString alarm;
    int counter;
    QString saleDate;
};

TEST(MainWindowFirstShow, ReadsTheStoredSettingsIntoTheirState)
{
    const StoredCase cases[] = {
        {{}, -1, QStringLiteral("5"), 1, QString()},
        {{{"skin", "4"}, {"number", "12"}, {"danhao", "41"}, {"riqi", "2014-07-28"}}, 4, QStringLiteral("12"), 42,
         QStringLiteral("2014-07-28")},
        {{{"skin", ""}, {"number", ""}, {"danhao", ""}}, -1, QStringLiteral("5"), 1, QString()},
    };
    for (const StoredCase &c : cases) {
        TestShop shop;
        for (const auto &[name, value] : c.values)
            shop.settings.write(name, value);
        const RestoredSettings &r = shop.windows().restored();
        EXPECT_EQ(r.skin, c.skin);
        EXPECT_EQ(skins::current(), c.skin) << "the stored skin is applied at once";
        skins::apply(-1);
        EXPECT_EQ(r.alarmNumber, c.alarm);
        EXPECT_EQ(r.orderCounter, c.counter);
        EXPECT_EQ(r.storedSaleDate, c.saleDate);
    }
}

TEST(SuccessPrompt, ASecondTriggerKeepsTheFirstDeadline)
{
    QWidget owner;
    SuccessPrompt prompt(&owner);
    owner.show();
    prompt.show(QStringLiteral("数据入库成功..."));
    EXPECT_TRUE(prompt.isVisible());
    EXPECT_EQ(prompt.timer().interval(), 2000);
    QTest::qWait(1200);
    prompt.show(QStringLiteral("修改数据成功..."));
    EXPECT_EQ(prompt.text(), QStringLiteral("修改数据成功..."));
    EXPECT_LE(prompt.timer().remainingTime(), 900) << "the delay was restarted";
    QTest::qWait(1000);
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_FALSE(prompt.timer().isActive());
}

TEST(DateRefill, AnEmptiedDateFieldGetsTodayWithinHalfASecond)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    shop.clock.time = QDateTime(QDate(2014, 8, 1), QTime(9, 0));
    for (DateEdit *field : {main.salePanel()->saleDateField(), main.stockInPanel()->dateField()}) {
        field->clear();
        EXPECT_TRUE(field->isBlank());
    }
    QTest::qWait(600);
    EXPECT_EQ(main.salePanel()->saleDateField()->dateText(), QStringLiteral("2014-08-01"));
    EXPECT_EQ(main.stockInPanel()->dateField()->dateText(), QStringLiteral("2014-08-01"));
}

TEST(MainWindowClosing, RecordsTheLogoutOfThisLoginAndTheSaleDate)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    shop.exec(QStringLiteral("insert into rz (username, btime) values ('别人', '2014-07-01 08:00:00')"));
    shop.logIn();
    main.salePanel()->saleDateField()->setText(QStringLiteral("2014-07-30"));
    shop.clock.time = QDateTime(QDate(2014, 7, 29), QTime(18, 5, 9));
    main.close();
    EXPECT_EQ(shop.scalar(QStringLiteral("select jtime from rz where id=?"), {shop.ctx.session.loginNumber}).toString(),
              QStringLiteral("2014-07-29 18:05:09"));
    EXPECT_TRUE(shop.scalar(QStringLiteral("select jtime from rz where username='别人'")).isNull());
    EXPECT_EQ(shop.settings.read(QStringLiteral("riqi")), QStringLiteral("2014-07-30"));
    EXPECT_FALSE(shop.data.stockTable.isOpen());
}

TEST(MainWindowClosing, WithoutALoginNoLogoutIsWrittenButTheSaleDateIs)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.close();
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from rz")).toInt(), 0);
    EXPECT_EQ(shop.settings.read(QStringLiteral("riqi")), QStringLiteral("2014-07-29"));
}

} // namespace

TEST(Skins, ChoosingASkinAppliesAndStoresIt)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.actions().skins->actions().at(2)->trigger();
    EXPECT_EQ(skins::current(), 2);
    EXPECT_EQ(shop.settings.read(QStringLiteral("skin")), QStringLiteral("2"));
    skins::apply(-1);
}

namespace {

// After a start the checkout shows the order the next sale joins, before any sale: today's first
// number above the stored counter and the day's orders.
TEST(StartOfDay, TheCheckoutShowsTheOpenOrderNumberFromTheStart)
{
    TestShop shop;
    shop.settings.write(QStringLiteral("danhao"), QStringLiteral("4"));
    shop.settings.write(QStringLiteral("riqi"), QStringLiteral("2014-07-29"));
    MainWindow &main = shop.windows();
    main.show();
    EXPECT_EQ(main.salePanel()->orderNumber(), QStringLiteral("20140729005"));
}

} // namespace
