// Two programs on one database file, both in this test process: each TestShop is a program with
// its own connection, services and windows. What one writes shows in the other's windows.
#include "app/mainwindow.h"
#include "app/windowset.h"
#include "data/externalchanges.h"
#include "data/schema.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/stockqueryview.h"
#include "support/dbfiles.h"
#include "support/testapp.h"
#include "widgets/grid.h"
#include "widgets/numberspinbox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>

namespace {

long long addArticle(TestShop &shop, const QString &code, double stock)
{
    return shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"b", QStringLiteral("XL")}, {"c", code},
                             {"d", QStringLiteral("裤子")}, {"1", 10.5}, {"2", stock}, {"4", 20.0}, {"5", 0.0},
                             {"6", 0.0}, {"7", stock}, {"8", stock * 10.5}, {"day1", QStringLiteral("2014-07-01")}});
}

// Lets both programs run their timers until `done` holds or `limitMs` has passed; returns the
// time it took, or -1 when it never held.
template <class Done>
qint64 waitUntil(Done done, int limitMs = 1000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() <= limitMs) {
        if (done())
            return timer.elapsed();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done() ? timer.elapsed() : -1;
}

// Sells `quantity` of the main grid's row `row` through the sale panel, as the user does.
void sell(TestShop &shop, int row, const QString &quantity)
{
    MainWindow &main = shop.windows();
    SalePanel &sale = *main.salePanel();
    emit main.stockQuery()->rowClicked(row);
    emit main.stockQuery()->rowDoubleClicked(row);
    sale.findChild<NumberSpinBox *>(QStringLiteral("quantity"))->setText(quantity);
    sale.findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();
}

int rowOfCode(const Dataset &rows, const QString &code)
{
    for (int r = 0; r < rows.recordCount(); ++r) {
        if (rows.value(r, "c").toString() == code)
            return r;
    }
    return -1;
}

TEST(TwoPrograms, TheOtherProgramsWindowsFollowASaleWithinASecondKeepingTheirPlace)
{
    TestShop till;
    for (int i = 0; i < 6; ++i)
        addArticle(till, QStringLiteral("NZ%1").arg(i), 50 + i);
    TestShop desk(TestShop::SameFileAs{till});
    till.windows().stockQuery()->refreshAll();

    // The desk has the stock sorted by quantity, a row chosen, a sale started on NZ3 and every
    // sale line listed in the sales details.
    MainWindow &deskMain = desk.windows();
    StockQueryView &deskGrid = *deskMain.stockQuery();
    deskGrid.refreshAll();
    deskGrid.gridWidget()->sortByColumn(deskGrid.gridWidget()->model()->columnOfField("7"));
    Dataset &deskStock = desk.data.stockQuery;
    const QString sortedBy = deskStock.sortColumn();
    ASSERT_FALSE(sortedBy.isEmpty());
    const int chosen = rowOfCode(deskStock, "NZ4");
    deskStock.setCurrentRow(chosen);
    const long long chosenKey = deskStock.currentKey();
    emit deskGrid.rowClicked(rowOfCode(deskStock, "NZ3"));
    emit deskGrid.rowDoubleClicked(rowOfCode(deskStock, "NZ3"));
    auto *deskStockField = deskMain.salePanel()->findChild<QLineEdit *>(QStringLiteral("stockQuantity"));
    ASSERT_EQ(deskStockField->text(), QStringLiteral("53"));
    SalesDetailsWindow &details = *desk.windowSet().salesDetails;
    details.show();
    details.loadAll();
    const double soldBefore = desk.data.salesQuery.sum("3");

    sell(till, rowOfCode(till.data.stockQuery, "NZ3"), QStringLiteral("3"));
    ASSERT_TRUE(till.messages.boxes.isEmpty()) << till.messages.lastText().toStdString();

    const qint64 took = waitUntil([&] {
        const int row = rowOfCode(deskStock, "NZ3");
        return row >= 0 && deskStock.value(row, "7").toDouble() == 50 && desk.data.salesQuery.recordCount() == 1;
    });
    ASSERT_GE(took, 0) << "the desk never showed the sale: stock "
                       << deskStock.value(rowOfCode(deskStock, "NZ3"), "7").toDouble() << ", lines "
                       << desk.data.salesQuery.recordCount() << " " << desk.messages.lastText().toStdString();
    EXPECT_LE(took, 1000);
    std::cout << "[          ] the desk showed the till's sale after " << took << " ms\n";
    EXPECT_EQ(deskStock.sortColumn(), sortedBy) << "the sort stays";
    EXPECT_EQ(deskStock.currentKey(), chosenKey) << "the chosen row stays current";
    EXPECT_EQ(deskStockField->text(), QStringLiteral("50")) << "the started sale shows the stock as it is now";
    EXPECT_FALSE(deskMain.salePanel()->isHidden()) << "the started sale stays open";
    // The footer of every sale line counts the till's line, though no trigger of the desk saw it.
    EXPECT_EQ(desk.data.salesQuery.sum("3"), soldBefore + 3);
    EXPECT_EQ(desk.data.salesQuery.sums({"3"}).at(0), 3);
    EXPECT_TRUE(desk.messages.boxes.isEmpty()) << desk.messages.lastText().toStdString();

    // The desk sells from its stale panel: 53 were shown when it started, 50 are left now.
    deskMain.salePanel()->findChild<NumberSpinBox *>(QStringLiteral("quantity"))->setText(QStringLiteral("2"));
    deskMain.salePanel()->findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();
    EXPECT_EQ(till.scalar("select [7] || '|' || [5] from data where c='NZ3'"), QStringLiteral("48.0|5.0"));
    EXPECT_GE(waitUntil([&] { return till.data.stockQuery.value(rowOfCode(till.data.stockQuery, "NZ3"), "7").toDouble() == 48; }),
              0)
        << "the till follows the desk in turn";
    details.hide();
}

TEST(TwoPrograms, ASaleTheOtherProgramEmptiedTheStockForIsRefusedWithTheStockAsItIsNow)
{
    TestShop till;
    addArticle(till, "NZ0", 5);
    TestShop desk(TestShop::SameFileAs{till});
    desk.windows().stockQuery()->refreshAll();
    till.windows().stockQuery()->refreshAll();
    SalePanel &deskSale = *desk.windows().salePanel();
    emit desk.windows().stockQuery()->rowClicked(0);
    emit desk.windows().stockQuery()->rowDoubleClicked(0);
    desk.windows().findChild<ExternalChanges *>()->stop(); // the desk does not look before it sells

    sell(till, 0, QStringLiteral("4"));
    deskSale.findChild<NumberSpinBox *>(QStringLiteral("quantity"))->setText(QStringLiteral("3"));
    deskSale.findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();

    EXPECT_EQ(desk.messages.lastText(), QStringLiteral("库存不足"));
    EXPECT_EQ(deskSale.findChild<QLineEdit *>(QStringLiteral("stockQuantity"))->text(), QStringLiteral("1"));
    EXPECT_EQ(deskSale.findChild<NumberSpinBox *>(QStringLiteral("quantity"))->text(), QStringLiteral("1"));
    EXPECT_EQ(till.scalar("select [7] from data").toDouble(), 1);
    EXPECT_EQ(till.scalar("select count(*) from data1").toInt(), 1);
    // Confirming again sells what is left.
    deskSale.findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();
    EXPECT_EQ(till.scalar("select [7] from data").toDouble(), 0);
}

TEST(TwoPrograms, ASaleWaitingForTheOtherProgramsSaveShowsTheHourglassThenSaysSo)
{
    TestShop till;
    addArticle(till, "NZ0", 5);
    till.windows().stockQuery()->refreshAll();
    till.db.setBusyTimeout(300);
    bool hourglass = false;
    const auto showCursor = till.db.busyWaitNotice();
    ASSERT_TRUE(showCursor) << "the program shows no wait";
    till.db.setBusyWaitNotice([&](bool waiting) {
        showCursor(waiting);
        if (waiting)
            hourglass = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });

    {
        OtherProgram other(till.db.fileName(), OtherProgram::Lock::Writing);
        sell(till, 0, QStringLiteral("1"));
    }
    EXPECT_TRUE(hourglass);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the hourglass goes when the wait is over";
    EXPECT_EQ(till.messages.lastText(), QStringLiteral("另一台电脑正在保存，请稍后再试"));
    EXPECT_EQ(till.scalar("select [7] from data").toDouble(), 5);
    EXPECT_EQ(till.scalar("select count(*) from data1").toInt(), 0);

    // Once the other program has saved, the sale goes through.
    till.messages.boxes.clear();
    sell(till, 0, QStringLiteral("1"));
    EXPECT_TRUE(till.messages.boxes.isEmpty()) << till.messages.lastText().toStdString();
    EXPECT_EQ(till.scalar("select [7] from data").toDouble(), 4);
}

TEST(TwoPrograms, EachProgramSeesOnlyTheOthersWritesAndAReplacedFile)
{
    TestShop till;
    TestShop desk(TestShop::SameFileAs{till});
    ExternalChanges changes(desk.db);
    QSignalSpy written(&changes, &ExternalChanges::written);
    QSignalSpy replaced(&changes, &ExternalChanges::replaced);
    changes.check(); // the starting point

    addArticle(desk, "OWN", 1);
    changes.check();
    EXPECT_EQ(written.count(), 0) << "the program's own write";
    addArticle(till, "OTHER", 1);
    changes.check();
    changes.check();
    EXPECT_EQ(written.count(), 1) << "the other program's write, once";

    // Cheap enough to look twice a second for ever.
    constexpr int kLooks = 2000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kLooks; ++i)
        changes.check();
    const double perLookMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kLooks;
    std::cout << "[          ] one look for other programs' writes: " << perLookMs * 1000 << " µs\n";
    EXPECT_LT(perLookMs, 0.5);
    EXPECT_EQ(written.count(), 1);

    // The other program restores a backup: a new file takes the name.
    const QString backup = till.path("beifen.db");
    ASSERT_TRUE(QFile::copy(till.db.fileName(), backup));
    ASSERT_EQ(::rename(QFile::encodeName(backup).constData(), QFile::encodeName(till.db.fileName()).constData()), 0);
    changes.check();
    EXPECT_EQ(replaced.count(), 1);
}

TEST(TwoPrograms, AFileMadeBeforeOrderClaimsIsUsedAndGetsTheirTable)
{
    TestShop shop;
    shop.exec("DROP TABLE order_claims");
    shop.db.close();
    EXPECT_TRUE(Database::isShopDatabase(shop.db.fileName())) << "a backup without the table can be restored";
    shop.db.open();
    EXPECT_EQ(shop.scalar("select count(*) from sqlite_master where name='order_claims'").toInt(), 1);
}

} // namespace
