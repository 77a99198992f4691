#include "app/mainwindow.h"
#include "sales/owedcustomers.h"
#include "app/windowset.h"
#include "sales/owedcustomersview.h"
#include "sales/salelines.h"
#include "sales/salesdetailswindow.h"
#include "support/clicks.h"
#include "support/engines.h"
#include "support/pdftext.h"
#include "widgets/grid.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// "欠款客户" in the sales details window of a shop whose date is 2014-07-29; in a shop file unless
// the fixture is given another engine.
class OwedCustomersTest : public testing::Test, protected ShopFixture {
protected:
    using ShopFixture::ShopFixture;

    long long line(const QVariantHash &values)
    {
        return addSaleLine(shop, {{"a", "衬衫"}, {"3", 1}, {"4", 50}, {"6", 0}, {"a5", 20}, {"day1", "2014-07-10"}}, values);
    }
    long long owed(const QVariant &name, const QVariant &contact, const QVariant &address, const QVariant &amount,
                   const char *day, double quantity = 1)
    {
        return line({{"g", name}, {"i", contact}, {"h", address}, {"6", amount}, {"day1", day}, {"3", quantity},
                     {"4", 50 * quantity}});
    }
    void open()
    {
        details.show();
        QApplication::processEvents();
    }
    void listOwed()
    {
        details.findChild<QPushButton *>(QStringLiteral("owedCustomers"))->click();
        QApplication::processEvents();
    }
    Grid &owedGrid() const { return *details.owedCustomers()->grid(); }
    // The listed customers, a line per customer: its shown cells joined by "|".
    QStringList customers() const
    {
        const DatasetModel &model = *owedGrid().model();
        QStringList rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model.columnCount(); ++c)
                cells << model.displayText(r, c);
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    QStringList footer() const
    {
        QStringList cells;
        for (int c = 0; c < owedGrid().model()->columnCount(); ++c)
            cells << owedGrid().model()->footerText(c);
        return cells;
    }
    QList<long long> shownLines() const
    {
        QList<long long> keys;
        for (int r = 0; r < sales.recordCount(); ++r)
            keys << sales.key(r);
        return keys;
    }

    MainWindow &main = shop.windows();
    SalesDetailsWindow &details = *shop.windowSet().salesDetails;
    Dataset &sales = shop.data.salesQuery;
};

// Customers with owed lines, sales and returns, spread over names written with blanks around them,
// missing or empty names, quotes, and the same name under two contacts; and paid lines beside them.
class OwedFixture : public OwedCustomersTest {
protected:
    using OwedCustomersTest::OwedCustomersTest;
    void SetUp() override
    {
        zhang = {owed("张三", "138", "北京路1号", 0.2, "2014-06-10"), owed("张三", "138", "北京路1号", 100, "2014-07-01"),
                 owed("张三", "138", "北京路1号", 0.1, "2014-07-05"), owed(" 张三 ", "138 ", "北京路1号", 10, "2014-07-10")};
        owed("张三", "138", "北京路1号", 0, "2014-07-28"); // paid: neither counted nor the last date
        li = {owed("李四", "", "", 200, "2014-05-01"), owed("李四", QVariant(), QVariant(), -80, "2014-07-20", -1)};
        unnamed = {owed(QVariant(), "", "", 30, "2014-03-01"), owed("", "", "", 20, "2014-04-01"),
                   owed("   ", QVariant(), "", 1, "2014-04-02")};
        quoted = owed("O'Neil \"老王\"", "", "", 5.5, "2014-02-02");
        otherZhang = owed("张三", "139", "北京路1号", 1, "2014-01-01");
        owed("王五", "", "", 0, "2014-07-01");
        owed("王五", "", "", QVariant(), "2014-07-02");
    }
    QList<long long> zhang, li, unnamed;
    long long quoted = 0, otherZhang = 0;
};

// The listing and a customer's lines on a shop file and on a shop on a server.
using OwedOnEngine = OnBothEngines<OwedFixture>;

INSTANTIATE_ON_BOTH_ENGINES(OwedOnEngine);

TEST_P(OwedOnEngine, CustomersByOwedTotalWithCountsLastDatesAndTheTotalInTheFooter)
{
    open();
    listOwed();
    EXPECT_TRUE(details.isShowingOwedCustomers());
    EXPECT_EQ(details.shownGrid(), &owedGrid());
    EXPECT_TRUE(details.grid()->isHidden());
    EXPECT_EQ(customers(), QStringList({
                               "李四|||2|120|2014-07-20",
                               "张三|138|北京路1号|4|110.3|2014-07-10",
                               "（未填客户）|||3|51|2014-04-02",
                               "O'Neil \"老王\"|||1|5.5|2014-02-02",
                               "张三|139|北京路1号|1|1|2014-01-01",
                           }));
    EXPECT_EQ(footer(), QStringList({"合计", "", "", "11", "287.8", ""}));
    // The total is rounded to the fen, not 0.1 + 0.2 + 100 + 10 as binary fractions add up.
    EXPECT_EQ(details.owedCustomers()->customers().value(1, QStringLiteral("欠款合计")).toDouble(), 110.3);
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

TEST_P(OwedOnEngine, OpeningACustomerListsItsOwedLinesAndTheButtonLeadsBack)
{
    open();
    const struct {
        int row;
        QList<long long> lines;
    } cases[] = {
        {1, zhang},       // names and contacts with blanks around them belong to the trimmed customer
        {0, li},          // the return line with its negative owed amount too
        {2, unnamed},     // a missing, an empty and a blank name
        {3, {quoted}},    // quotes are only characters
        {4, {otherZhang}}, // the same name under another contact is another customer
    };
    for (const auto &c : cases) {
        listOwed();
        doubleClickRow(owedGrid().view(), c.row);
        EXPECT_FALSE(details.isShowingOwedCustomers()) << c.row;
        EXPECT_EQ(details.shownGrid(), details.grid());
        EXPECT_EQ(shownLines(), c.lines) << c.row;
        EXPECT_EQ(sales.currentRow(), int(c.lines.size()) - 1);
        // Back to the customers, with the one just opened current.
        listOwed();
        EXPECT_EQ(details.owedCustomers()->customers().currentRow(), c.row);
    }
    // Enter on a customer opens it as well.
    owedGrid().view()->setFocus();
    QTest::keyClick(owedGrid().view(), Qt::Key_Return);
    EXPECT_EQ(shownLines(), QList<long long>({otherZhang}));
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

TEST_F(OwedFixture, AnyOtherListingShowsTheSaleLinesAgain)
{
    open();
    listOwed();
    details.findChild<QPushButton *>(QStringLiteral("thisMonth"))->click();
    EXPECT_FALSE(details.isShowingOwedCustomers());
    EXPECT_FALSE(details.grid()->isHidden());
    listOwed();
    // A listing from outside, as after a posted sale.
    details.queryOrderNumber(QStringLiteral("2014"));
    EXPECT_EQ(details.shownGrid(), details.grid());
    details.close();
    open();
    EXPECT_FALSE(details.isShowingOwedCustomers());
}

TEST_F(OwedFixture, ExportAndPrintAnnounceTheGridInViewWithItsTitle)
{
    open();
    QSignalSpy exported(&details, &SalesDetailsWindow::exportRequested);
    QSignalSpy printed(&details, &SalesDetailsWindow::printRequested);
    listOwed();
    QStringList items;
    for (const QAction *a : details.findChild<QMenu *>(QStringLiteral("owedCustomersMenu"))->actions())
        items << (a->isSeparator() ? QStringLiteral("--") : a->text());
    EXPECT_EQ(items, QStringList({"欠款明细", "--", "导出Excel", "打 印"}));
    owedGrid().view()->setFocus();
    QTest::keySequence(owedGrid().view(), QKeySequence(QStringLiteral("Ctrl+E")));
    QTest::keySequence(owedGrid().view(), QKeySequence(QStringLiteral("Ctrl+D")));
    ASSERT_EQ(exported.count(), 1);
    ASSERT_EQ(printed.count(), 1);
    EXPECT_EQ(exported.at(0).at(0).toString(), "欠 款 客 户 报 表");
    EXPECT_EQ(printed.at(0).at(0).toString(), "欠 款 客 户 报 表");

    doubleClickRow(owedGrid().view(), 0);
    details.actions().exportExcel->trigger();
    EXPECT_EQ(exported.at(1).at(0).toString(), "销 售 报 表");
}

TEST_F(OwedFixture, ThePrintedOwedListingIsTheCustomersGrid)
{
    open();
    listOwed();
    details.actions().print->trigger();
    ASSERT_EQ(shop.printing.previewedFiles.size(), 1);
    const QString text = pdfText(shop.printing.previewedFiles.last()).simplified();
    for (const char *printed : {"欠 款 客 户 报 表", "最后欠款日期", "（未填客户）", "O'Neil \"老王\"", "287.8"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(printed))) << printed << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("衬衫")) << "not the sale lines";
}

TEST_F(OwedCustomersTest, NoOwedLinesListsNoCustomerAndZeroSums)
{
    line({{"g", "张三"}, {"6", 0}});
    open();
    listOwed();
    EXPECT_TRUE(customers().isEmpty());
    EXPECT_EQ(footer(), QStringList({"合计", "", "", "0", "0", ""}));
    doubleClickRow(owedGrid().view(), 0); // no row: nothing happens
    EXPECT_TRUE(details.isShowingOwedCustomers());
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(OwedCustomersTest, AUserOtherThanTheSuperadministratorSeesTheOwedLinesWithoutProfitOrCorrections)
{
    const long long debt = owed("张三", "138", "", 70, "2014-07-01");
    details.restrictForUser();
    open();
    listOwed();
    EXPECT_EQ(customers(), QStringList({"张三|138||1|70|2014-07-01"}));
    doubleClickRow(owedGrid().view(), 0);
    EXPECT_EQ(shownLines(), QList<long long>({debt}));
    EXPECT_TRUE(details.grid()->isFieldHidden(QStringLiteral("a5")));
    QSignalSpy modify(&details, &SalesDetailsWindow::modifyRequested);
    doubleClickRow(details.grid()->view(), 0);
    EXPECT_EQ(modify.count(), 0);
}

TEST_F(OwedCustomersTest, AFailedListingIsShownAndKeepsWhatWasInView)
{
    line({});
    open();
    shop.exec("alter table data1 rename to data1_gone");
    listOwed();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.at(0).kind, RecordingMessages::Kind::Error);
    EXPECT_FALSE(details.isShowingOwedCustomers());
    shop.exec("alter table data1_gone rename to data1");
}

TEST_F(OwedCustomersTest, TheListingAndACustomersLinesReadOnlyTheOwedIndex)
{
    // The listing is the owed lines' index in its order, and a customer's lines a range of it by
    // date: neither visits a paid line, nor sorts to group or to order by date.
    auto plan = [&](const Statement &statement) {
        QString text;
        shop.db.query(Statement(QStringLiteral("explain query plan ") + statement.sql, statement.params),
                      [&](const ResultRow &row) { text += row.value(3).toString() + "; "; });
        return text;
    };
    const QString listing = plan(owedcustomers::customers());
    EXPECT_TRUE(listing.contains("COVERING INDEX data1_owed") && !listing.contains("GROUP BY")) << listing.toStdString();
    owed("张三", "138", "", 70, "2014-07-01");
    open();
    details.listOwedLinesOf({"张三", "138", ""});
    ASSERT_EQ(sales.recordCount(), 1);
    for (const Statement &lines : {owedcustomers::linesOf({"张三", "138", ""}), sales.rowsStatement()}) {
        const QString text = plan(lines);
        EXPECT_TRUE(text.contains("USING INDEX data1_owed (<expr>=? AND <expr>=? AND <expr>=?)") &&
                    !text.contains("TEMP B-TREE"))
            << text.toStdString();
    }
}

} // namespace
