#include "app/mainwindow.h"
#include "app/skins.h"
#include "app/windowset.h"
#include "common/shopevents.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "stock/stockinpanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockqueryview.h"
#include "users/logindialog.h"
#include "support/pdftext.h"
#include "support/testapp.h"
#include "widgets/grid.h"
#include "widgets/ondemandcombobox.h"
#include "widgets/successprompt.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QToolButton>
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
    sale.customerField()->refresh(); // the list as the user saw it: no customer yet
    sale.customerField()->setEditText(QStringLiteral("张三"));

    QStringList announced;
    QObject::connect(&shop.events, &ShopEvents::succeeded, [&](const QString &text) { announced << text; });
    QObject::connect(&shop.events, &ShopEvents::salePosted, [&](const QString &order, long long) { announced << order; });
    ReadRecorder recorder(shop.data);
    sale.findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();

    ASSERT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ(announced, (QStringList{QStringLiteral("销售数据保存成功..."), QStringLiteral("20140729001")}));
    // The grid with the conditions kept, then the order in the checkout. The hidden sales details
    // and inventory summary read their rows when shown. The customer list is not read again: the
    // posted customer joins it.
    EXPECT_EQ(recorder.reads, (QStringList{"main grid", "checkout"}));
    EXPECT_EQ(sale.customerField()->findText(QStringLiteral("张三")), 0);
    EXPECT_EQ(shop.windowSet().salesDetails->orderNumberText(), QStringLiteral("20140729001"));
    EXPECT_EQ(main.successPrompt()->text(), QStringLiteral("销售数据保存成功..."));
    EXPECT_EQ(sale.customerName(), QStringLiteral("张三")) << "the customer stays for the next line of the order";
    EXPECT_EQ(main.checkoutPanel()->findChild<QTableView *>(QStringLiteral("orderLines"))->model()->rowCount(), 1);
}

// The sales details list this month's lines after a posting: at once while the window shows,
// when next shown while it is hidden, with the posted order in "销售单号：" either way.
TEST(WindowWiringTest, ThePostedLineReachesTheSalesDetailsShownOrHidden)
{
    for (const bool detailsShowing : {true, false}) {
        SCOPED_TRACE(detailsShowing ? "showing" : "hidden");
        TestShop shop;
        shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"1", 10.0}, {"4", 20.0}, {"5", 0.0}, {"6", 0.0},
                          {"7", 5.0}, {"day1", QStringLiteral("2014-07-01")}});
        shop.exec("insert into data1 (a, z, day1, [3]) values ('旧货', '20140601001', '2014-06-30', 1)");
        shop.exec("insert into data1 (a, z, day1, [3]) values ('本月货', '20140702001', '2014-07-02', 1)");
        MainWindow &main = shop.windows();
        SalesDetailsWindow &details = *shop.windowSet().salesDetails;
        if (detailsShowing)
            details.show();
        shop.data.stockQuery.open(Statement("select * from data order by ID"));
        emit main.stockQuery()->rowClicked(0);
        emit main.stockQuery()->rowDoubleClicked(0);
        main.salePanel()->findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();
        ASSERT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
        if (!detailsShowing)
            details.show();

        EXPECT_EQ(details.orderNumberText(), QStringLiteral("20140729001"));
        const Dataset &lines = shop.data.salesQuery;
        QStringList names;
        for (int r = 0; r < lines.recordCount(); ++r)
            names << lines.value(r, "a").toString();
        EXPECT_EQ(names, (QStringList{QStringLiteral("本月货"), QStringLiteral("牛仔裤")}));
        EXPECT_EQ(details.grid()->model()->rowCount(), 2);
        details.runOrderNumberQuery(); // "查 询" of the order-number group
        EXPECT_EQ(lines.recordCount(), 1);
        EXPECT_EQ(lines.value(0, "a").toString(), QStringLiteral("牛仔裤"));
        details.hide();
    }
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

TEST(WindowWiringTest, TheCustomerListIsReadWhenFirstUsed)
{
    TestShop shop;
    shop.exec("insert into data1 (a, z, g) values ('旧货', '20140701001', '李四')");
    MainWindow &main = shop.windows();
    main.salePanel()->customerField()->refresh(); // read when first used
    EXPECT_NE(main.salePanel()->customerField()->findText(QStringLiteral("李四")), -1);
}

} // namespace

namespace {

// Every setting the program writes while it is used: a store that cannot be written is reported
// by name, and what the user did still happens.
TEST(SettingsWrites, AFailedWriteIsReportedNotDropped)
{
    const struct {
        const char *name;
        std::function<void(TestShop &, MainWindow &)> trigger;
    } cases[] = {
        {"danhao",
         [](TestShop &shop, MainWindow &main) {
             shop.data.stockQuery.open(Statement("select * from data order by ID"));
             emit main.stockQuery()->rowDoubleClicked(0);
             main.salePanel()->findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();
             EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 1) << "the sale itself is stored";
         }},
        {"n0", [](TestShop &, MainWindow &main) { main.findChild<QAbstractButton *>(QStringLiteral("hideZeroStock"))->click(); }},
        {"number", [](TestShop &, MainWindow &main) { main.findChild<QLineEdit *>(QStringLiteral("alarmNumber"))->setText("9"); }},
        {"skin", [](TestShop &, MainWindow &main) { main.actions().skins->actions().at(1)->trigger(); }},
        {"riqi", [](TestShop &, MainWindow &main) { main.close(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TestShop shop;
        shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"1", 10.0}, {"4", 20.0}, {"5", 0.0}, {"6", 0.0},
                          {"7", 5.0}, {"day1", QStringLiteral("2014-07-01")}});
        MainWindow &main = shop.windows();
        // A file where the settings folder should be: nothing can be written there.
        QDir(shop.path("config")).removeRecursively();
        QFile blocker(shop.path("config"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        c.trigger(shop, main);
        ASSERT_FALSE(shop.messages.boxes.isEmpty());
        EXPECT_EQ(shop.messages.boxes.last().kind, RecordingMessages::Kind::Error);
        EXPECT_TRUE(shop.messages.lastText().contains(QString::fromLatin1(c.name))) << shop.messages.lastText().toStdString();
        skins::apply(-1);
    }
}

TEST(Focus, TheCursorIsWhereTheNextThingIsTyped)
{
    TestShop shop;
    shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"7", 5.0}, {"day1", QStringLiteral("2014-07-01")}});
    MainWindow &main = shop.windows();
    main.show();
    QApplication::setActiveWindow(&main);
    shop.logIn();
    emit shop.windowSet().login->loggedIn();
    ASSERT_TRUE(QApplication::focusWidget());
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("queryName")) << "after login: the search by initials";

    main.toolbar().checkout->click();
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("cashField")) << "the checkout: the cash";
    main.toolbar().checkout->click();

    shop.data.stockQuery.setCurrentRow(0);
    main.actions().modify->trigger();
    QWidget *focused = QApplication::focusWidget();
    EXPECT_TRUE(focused == main.stockInPanel()->nameList() || focused == main.stockInPanel()->nameList()->lineEdit())
        << "修 改: the first field to edit, not " << (focused ? focused->objectName().toStdString() : "nothing");
}

// Both grids' remembered column switches are applied as the main window first shows.
TEST(ReportWindows, StoredColumnSwitchesOfBothGridsApplyAtFirstShow)
{
    TestShop shop;
    ASSERT_TRUE(shop.settings.write("rukuyin3", "yes"));
    ASSERT_TRUE(shop.settings.write("xiaoshouyin4", "yes"));
    ASSERT_TRUE(shop.settings.write("xiaoshouyin6", "yes"));
    MainWindow &main = shop.windows();
    EXPECT_TRUE(main.stockQuery()->gridWidget()->isFieldHidden("day1"));
    Grid &details = *shop.windowSet().salesDetails->grid();
    EXPECT_TRUE(details.isFieldHidden("a5"));
    EXPECT_FALSE(details.isFieldHidden("z")) << "显示客户编号 shows the order number";
    EXPECT_TRUE(shop.windowSet().salesDetails->actions().hideColumns.at(3)->isChecked());
}

// "导出Excel" and "打 印" of both report windows reach the shared export and print with the
// report's own titles and the user's signature.
TEST(ReportWindows, ExportAndPrintTheirOwnGridWithTheirTitles)
{
    TestShop shop;
    shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"d", QStringLiteral("裤子")}, {"7", 5.0},
                      {"day1", QStringLiteral("2014-07-01")}});
    shop.exec("insert into data1 (a, d, [2], [3], [4], day1, z) values ('牛仔裤', '裤子', 20, 1, 20, '2014-07-29', "
              "'20140729001')");
    shop.windows();
    shop.logIn();
    WindowSet &w = shop.windowSet();
    w.salesDetails->loadThisMonth();
    w.inventorySummary->show(); // it lists the stock as it shows
    const struct {
        const char *window;
        QAction *exportItem, *printItem;
        const char *printedTitle;
    } cases[] = {
        {"sales details", w.salesDetails->actions().exportExcel, w.salesDetails->actions().print, "销 售 统 计 报 表"},
        {"inventory summary", w.inventorySummary->findChild<QAction *>("exportExcel"),
         w.inventorySummary->findChild<QAction *>("print"), "商 品 进 销 存 统 计 报 表"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.window);
        ASSERT_TRUE(c.exportItem && c.printItem);
        const QString file = shop.path(QString::fromUtf8(c.window) + ".xls");
        shop.messages.fileNames.enqueue(file);
        c.exportItem->trigger();
        EXPECT_TRUE(QFile::exists(file));
        ASSERT_FALSE(shop.desktop.opened.isEmpty());
        EXPECT_EQ(shop.desktop.opened.last().toLocalFile(), file);

        c.printItem->trigger();
        ASSERT_FALSE(shop.printing.previewedFiles.isEmpty());
        const QString printed = pdfText(shop.printing.previewedFiles.last());
        EXPECT_TRUE(printed.contains(QString::fromUtf8(c.printedTitle))) << printed.toStdString();
        EXPECT_TRUE(printed.simplified().contains(QStringLiteral("制表人：超级管理员 日期：2014-07-29"))) << printed.toStdString();
        EXPECT_TRUE(printed.contains(QStringLiteral("牛仔裤")));
    }
}

} // namespace
