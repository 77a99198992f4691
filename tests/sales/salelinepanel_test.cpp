#include "sales/salelinepanel.h"

#include "app/mainwindow.h"
#include "app/skins.h"
#include "common/numbertext.h"
#include "stock/stockqueryview.h"
#include "app/windowset.h"
#include "sales/charttotals.h"
#include "sales/salelines.h"
#include "sales/saleschartspage.h"
#include "sales/salesdetailswindow.h"
#include "support/clicks.h"
#include "support/engines.h"
#include "widgets/barchart.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The sales details window of a shop whose date is 2014-07-29, with its line panel; in a shop file
// unless the fixture is given another engine.
class SaleLinePanelTest : public testing::Test, protected ShopFixture {
protected:
    using ShopFixture::ShopFixture;

    long long stock(const QVariantHash &values)
    {
        QVariantHash row{{"a", "裤"}, {"b", "黑色L"}, {"c", "K01"}, {"d", "男装"}, {"1", 18},
                         {"5", 10},   {"6", 250},     {"7", 30},    {"8", 540},   {"day1", "2014-07-01"}};
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            row.insert(it.key(), it.value());
        return shop.addStockRow(row);
    }
    // A sale line of the stock row stock({}) makes, sold this month.
    long long line(const QVariantHash &values)
    {
        return addSaleLine(shop,
                           {{"a", "裤"}, {"b", "黑色L"}, {"c", "K01"}, {"d", "男装"}, {"z", "20140710001"}, {"1", 18},
                            {"2", 25}, {"3", 2}, {"4", 50}, {"a5", 14}, {"6", 0}, {"g", "张三"}, {"day1", "2014-07-10"},
                            {"day2", "2014-07-01"}},
                           values);
    }
    void open()
    {
        details.show();
        QApplication::processEvents();
    }
    void select(long long key)
    {
        const int row = sales.rowOfKey(key);
        ASSERT_GE(row, 0) << "line " << key << " is not listed";
        sales.setCurrentRow(row);
    }
    // The line opened for deleting through the grid's pop-up item, then "删 除".
    void deleteThroughPanel(long long key)
    {
        select(key);
        details.actions().remove->trigger();
        ASSERT_TRUE(panel.isVisible());
        button("deleteLine")->click();
    }
    template <class T = QLineEdit>
    T *field(const char *name) const
    {
        T *w = panel.findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton *button(const char *name) const { return field<QPushButton>(name); }
    QVariantList stockFigures(long long key)
    {
        QVariantList figures;
        for (const char *column : {"5", "6", "7", "8"})
            figures << shop.scalar(QStringLiteral("select [%1] from data where ID=?").arg(column), {key});
        return figures;
    }
    bool lineStored(long long key) { return shop.scalar("select count(*) from data1 where ID=?", {key}).toInt() == 1; }
    // The columns of sale line `key`, as stored.
    QVariantList lineColumns(long long key, const QString &columns)
    {
        QVariantList values;
        shop.db.query(Statement(QStringLiteral("select %1 from data1 where ID=?").arg(columns), {key}),
                      [&](const ResultRow &row) {
                          for (int c = 0; c < row.columnCount(); ++c)
                              values << row.value(c);
                      });
        return values;
    }
    QList<long long> listed() const
    {
        QList<long long> keys;
        for (int r = 0; r < sales.recordCount(); ++r)
            keys << sales.key(r);
        return keys;
    }
    Grid &grid() const { return *details.grid(); }

    MainWindow &main = shop.windows();
    SalesDetailsWindow &details = *shop.windowSet().salesDetails;
    SaleLinePanel &panel = *details.linePanel();
    Dataset &sales = shop.data.salesQuery;
};

// What "修 改" and "删 除" write, on a shop file and on a shop on a server.
using SaleCorrectionTest = OnBothEngines<SaleLinePanelTest>;

INSTANTIATE_ON_BOTH_ENGINES(SaleCorrectionTest);

TEST_F(SaleLinePanelTest, ShowsTheCurrentLineWithTheButtonOfHowItWasOpened)
{
    const long long first = line({{"j", "老客户"}, {"h", "北京路1号"}, {"i", "13800000000"}, {"6", 12.5}});
    const long long last = line({{"a", "衬衫"}, {"b", QVariant()}, {"2", 19.99}, {"3", 3}, {"4", 59.97}});
    open();
    EXPECT_FALSE(panel.isVisible()) << "hidden until asked for";
    EXPECT_EQ(panel.parentWidget(), grid().parentWidget()) << "it lies over the grid";
    EXPECT_EQ(panel.size(), QSize(505, 273));
    QLabel *note = field<QLabel>("owedNote");
    EXPECT_EQ(note->text(), "无欠款填0");
    EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(0, 0, 0xFF));
    for (const QLabel *caption : panel.findChildren<QLabel *>()) {
        if (caption == note)
            continue;
        // Teal, as dark as the window behind it needs to keep it readable.
        const QColor ink = caption->palette().color(QPalette::WindowText);
        EXPECT_TRUE(ink.red() == 0 && ink.green() == ink.blue() && ink.green() >= 0x60 && ink.green() <= 0x80)
            << caption->text().toStdString() << " " << ink.name().toStdString();
    }

    select(first);
    details.actions().modify->trigger();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.mode(), SaleLinePanel::Mode::Modify);
    EXPECT_TRUE(button("modifyLine")->isVisible());
    EXPECT_FALSE(button("deleteLine")->isVisible());
    const std::pair<const char *, const char *> shown[] = {
        {"lineName", "裤"},          {"lineModel", "黑色L"},         {"lineCode", "K01"},
        {"lineCategory", "男装"},    {"lineSaleDate", "2014-07-10"}, {"linePrice", "25"},
        {"lineQuantity", "2"},       {"lineAmount", "50"},           {"lineOwed", "12.5"},
        {"lineOrderNumber", "20140710001"}, {"lineCustomer", "张三"}, {"lineAddress", "北京路1号"},
        {"lineContact", "13800000000"},     {"lineRemark", "老客户"},
    };
    for (const auto &[name, text] : shown)
        EXPECT_EQ(field(name)->text(), QString::fromUtf8(text)) << name;
    for (const char *name : {"lineName", "lineModel", "lineCode", "lineCategory", "lineSaleDate", "linePrice",
                             "lineQuantity", "lineAmount"})
        EXPECT_TRUE(field(name)->isReadOnly()) << name;
    for (const char *name : {"lineOwed", "lineOrderNumber", "lineCustomer", "lineAddress", "lineContact", "lineRemark"})
        EXPECT_FALSE(field(name)->isReadOnly()) << name;

    select(last);
    details.actions().remove->trigger();
    EXPECT_EQ(panel.mode(), SaleLinePanel::Mode::Delete);
    EXPECT_TRUE(button("deleteLine")->isVisible());
    EXPECT_FALSE(button("modifyLine")->isVisible());
    EXPECT_EQ(field("lineName")->text(), "衬衫");
    EXPECT_EQ(field("lineModel")->text(), "");
    EXPECT_EQ(field("linePrice")->text(), "19.99");
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

// Teal captions and a blue note on a dark skin would be unreadable: they turn light there.
TEST_F(SaleLinePanelTest, ItsCaptionsStayReadableInEverySkin)
{
    for (int skin = -1; skin < int(skins::names().size()); ++skin) {
        skins::apply(skin);
        const int window = panel.palette().color(QPalette::Window).lightness();
        for (const QLabel *caption : panel.findChildren<QLabel *>())
            EXPECT_GE(std::abs(caption->palette().color(QPalette::WindowText).lightness() - window), 80)
                << "skin " << skin << ": " << caption->text().toStdString();
    }
    skins::apply(-1);
}

TEST_F(SaleLinePanelTest, TheOwedAmountTakesDigitsAndPointsAndEnterMovesToTheOrderNumber)
{
    line({});
    open();
    details.actions().modify->trigger();
    QLineEdit *owed = field("lineOwed");
    owed->clear();
    owed->setFocus();
    typeKeys(owed, QStringLiteral("a-1２.5x"));
    EXPECT_EQ(owed->text(), "1.5");
    pressBackspace(owed);
    EXPECT_EQ(owed->text(), "1.");
    pressKeyIn(owed, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), field("lineOrderNumber"));
}

TEST_F(SaleLinePanelTest, NothingOpensWithoutALine)
{
    open();
    ASSERT_EQ(sales.recordCount(), 0);
    details.actions().modify->trigger();
    details.actions().remove->trigger();
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(SaleLinePanelTest, ItClosesWhenTheRowsItCameFromMayHaveMoved)
{
    const long long first = line({});
    line({});
    open();
    const std::pair<const char *, std::function<void()>> closers[] = {
        {"close icon", [&] { field<QToolButton>("closeLine")->click(); }},
        {"a listing", [&] { details.findChild<QPushButton *>("thisMonth")->click(); }},
        {"a title click", [&] { clickTitle(grid().header(), grid().model()->columnOfField("4")); }},
        {"a click on another line", [&] { clickRow(grid().view(), sales.rowOfKey(first) == 0 ? 1 : 0); }},
    };
    for (const auto &[what, close] : closers) {
        select(first);
        doubleClickRow(grid().view(), sales.rowOfKey(first));
        ASSERT_TRUE(panel.isVisible()) << what;
        clickRow(grid().view(), sales.rowOfKey(first));
        EXPECT_TRUE(panel.isVisible()) << "a click on its own line keeps it, before " << what;
        close();
        EXPECT_FALSE(panel.isVisible()) << what;
        EXPECT_EQ(panel.loadedKey(), -1) << what;
    }

    // The Del key opens it for deleting.
    details.activateWindow();
    grid().view()->setFocus();
    QTest::keyClick(grid().view(), Qt::Key_Delete);
    EXPECT_EQ(panel.mode(), SaleLinePanel::Mode::Delete);
}

TEST_F(SaleLinePanelTest, AUserOtherThanTheSuperadministratorCannotOpenIt)
{
    line({});
    shop.logInThroughWindow(QStringLiteral("店员"));
    ASSERT_TRUE(details.isRestricted());
    open();
    doubleClickRow(grid().view(), 0);
    grid().view()->setFocus();
    QTest::keyClick(grid().view(), Qt::Key_Delete);
    emit details.modifyRequested(); // even if something asked for it
    emit details.deleteRequested();
    EXPECT_FALSE(panel.isVisible());
}

TEST_P(SaleCorrectionTest, ModifyWritesTheLineLoadedNotTheCurrentOne)
{
    const long long loaded = line({});
    const long long other = line({{"z", "20140711002"}, {"g", "李四"}});
    open();
    select(loaded);
    const int row = sales.currentRow();
    details.actions().modify->trigger();
    sales.setCurrentRow(sales.rowOfKey(other)); // the keyboard moves on meanwhile
    field("lineOwed")->setText("20.05");
    field("lineOrderNumber")->setText("  20140712003 ");
    field("lineCustomer")->setText(" 王五");
    field("lineAddress")->setText("上海路 2 号 ");
    field("lineContact")->setText(" 021-1234");
    field("lineRemark")->setText("改单 ");
    button("modifyLine")->click();

    EXPECT_EQ(shop.messages.texts(), QStringList({"修改记录成功！"}));
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(lineColumns(loaded, "[6], z, g, h, i, j"),
              QVariantList({20.05, "20140712003", "王五", "上海路 2 号", "021-1234", "改单"}));
    // Only those: quantity, prices, amount, profit and dates stay, and so does the other line.
    EXPECT_EQ(lineColumns(loaded, "[1], [2], [3], [4], a5, day1, day2"),
              QVariantList({18.0, 25.0, 2.0, 50.0, 14.0, "2014-07-10", "2014-07-01"}));
    EXPECT_EQ(lineColumns(other, "[6], z, g"), QVariantList({0.0, "20140711002", "李四"}));
    // The grid shows the changed line where it was.
    EXPECT_EQ(sales.rowOfKey(loaded), row);
    const int owedColumn = grid().model()->columnOfField("6");
    EXPECT_EQ(grid().model()->displayText(row, owedColumn), "20.05");
    EXPECT_EQ(sales.value(row, "g").toString(), "王五");
}

TEST_P(SaleCorrectionTest, AnOwedAmountThatIsNoNumberWritesNothing)
{
    const long long key = line({{"6", 5}});
    open();
    details.actions().modify->trigger();
    field("lineOwed")->setText("1.2.3");
    field("lineCustomer")->setText("王五");
    button("modifyLine")->click();

    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.at(0).kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(shop.messages.lastText().contains("欠款金额：")) << shop.messages.lastText().toStdString();
    EXPECT_EQ(lineColumns(key, "[6], g"), QVariantList({5.0, "张三"}));
    EXPECT_TRUE(panel.isVisible()) << "what was typed stays for correcting";
}

TEST_P(SaleCorrectionTest, ModifyOfALineDeletedMeanwhileSaysSo)
{
    const long long key = line({});
    open();
    details.actions().modify->trigger();
    shop.exec("delete from data1 where ID=?", {key});
    button("modifyLine")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList({"这条销售记录已不存在，没有修改"}));
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 0);
}

// Deleting a line gives its quantity, amount and stock value back to its stock row.
TEST_P(SaleCorrectionTest, DeleteGivesTheLineBackToItsStockRow)
{
    struct Case {
        const char *what;
        QVariantHash line;
        QVariantHash stock;
        QVariantList after; // 5, 6, 7, 8
    };
    const Case cases[] = {
        {"a sale", {{"3", 2}, {"4", 50}, {"1", 18}}, {}, {8.0, 200.0, 32.0, 576.0}},
        {"a return", {{"3", -1}, {"4", -25}, {"1", 18}}, {}, {11.0, 275.0, 29.0, 522.0}},
        {"amounts in fen stay exact",
         {{"3", 3}, {"4", 59.97}, {"1", 10.1}},
         {{"6", 100.01}, {"8", 0.3}},
         {7.0, 40.04, 33.0, 30.6}},
        {"no quantity sold or stock recorded counts as 0",
         {{"3", 2}, {"4", 50}, {"1", 18}},
         {{"5", QVariant()}, {"7", QVariant()}},
         {-2.0, 200.0, 2.0, 576.0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const long long stockKey = stock(c.stock);
        stock({{"a", "衬衫"}, {"5", 1}, {"6", 2.5}, {"7", 3}, {"8", 4.25}}); // another article
        const long long kept = line({});
        const long long key = line(c.line);
        line({{"day1", "2014-06-30"}}); // another month
        main.stockQuery()->refreshAll(); // every stock row listed, none of them shown yet
        open();
        shop.messages.clear();
        deleteThroughPanel(key);

        EXPECT_EQ(shop.messages.texts(), QStringList({"删除销售记录成功！"}));
        EXPECT_EQ(stockFigures(stockKey), c.after);
        EXPECT_FALSE(lineStored(key));
        EXPECT_TRUE(lineStored(kept));
        // This month's listing loses the line, its sums too; the panel is empty and hidden.
        EXPECT_FALSE(listed().contains(key));
        EXPECT_TRUE(listed().contains(kept));
        EXPECT_EQ(sales.recordCount(), shop.scalar("select count(*) from data1 where day1 like '2014-07%'").toInt());
        for (const char *column : {"3", "4", "a5"}) {
            const QString stored = QStringLiteral("select sum([%1]) from data1 where day1 like '2014-07%'").arg(column);
            EXPECT_EQ(grid().model()->footerText(grid().model()->columnOfField(column)),
                      numbertext::general(shop.scalar(stored).toDouble()))
                << column;
        }
        EXPECT_FALSE(panel.isVisible());
        EXPECT_EQ(field("lineName")->text(), "");
        EXPECT_EQ(field("lineAmount")->text(), "");
        // The main grid keeps listing every stock row, the row with its new figures, the sums too.
        Dataset &stockRows = shop.data.stockQuery;
        EXPECT_EQ(stockRows.recordCount(), 2);
        const int stockRow = stockRows.rowOfKey(stockKey);
        ASSERT_GE(stockRow, 0);
        EXPECT_EQ(stockRows.value(stockRow, "7"), c.after.at(2));
        const DatasetModel &mainGrid = *main.stockQuery()->gridWidget()->model();
        for (const char *column : {"5", "6", "7", "8"}) {
            const QString stored = QStringLiteral("select sum([%1]) from data").arg(column);
            EXPECT_EQ(mainGrid.footerText(mainGrid.columnOfField(column)),
                      numbertext::general(shop.scalar(stored).toDouble()))
                << column;
        }
        details.hide();
        shop.exec("delete from data");
        shop.exec("delete from data1");
    }
}

// Whatever changes the sale lines while the charts page is hidden, the charts show it when the page
// is opened: a deletion there, a sale at the counter, "增加销售", another program's write.
TEST_F(SaleLinePanelTest, TheChartsShowWhatChangedWhileTheirPageWasHidden)
{
    QTabWidget &pages = *details.pages();
    const int chartsPage = pages.indexOf(details.charts());
    auto addJulyLine = [&] { line({{"a5", 7}, {"day1", "2014-07-11"}}); };
    const QList<QPointF> monthsAdded{{6, 14}, {7, 13}}, daysAdded{{11, 13}};
    const struct {
        const char *what;
        std::function<void()> change;
        QList<QPointF> months, days;
    } cases[] = {
        {"a line deleted", [&] { deleteThroughPanel(sales.key(sales.recordCount() - 1)); }, {{6, 14}}, {}},
        {"a sale posted", [&] { addJulyLine(); emit shop.events.salePosted("20140711001", -1); }, monthsAdded, daysAdded},
        {"a line added", [&] { addJulyLine(); emit shop.events.saleLinesChanged(); }, monthsAdded, daysAdded},
        {"written by another program", [&] { addJulyLine(); emit shop.events.writtenElsewhere(); }, monthsAdded, daysAdded},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        shop.exec("delete from data1");
        stock({});
        line({{"a5", 14}, {"day1", "2014-06-10"}});
        line({{"a5", 6}, {"day1", "2014-07-11"}});
        open();
        pages.setCurrentIndex(chartsPage);
        EXPECT_EQ(details.charts()->monthChart()->bars(), QList<QPointF>({{6, 14}, {7, 6}}));
        details.charts()->showMonths(charttotals::Total::Sales);
        pages.setCurrentIndex(0);

        c.change();
        pages.setCurrentIndex(chartsPage);
        EXPECT_EQ(details.charts()->monthChart()->bars(), c.months);
        EXPECT_EQ(details.charts()->dayChart()->bars(), c.days);
        for (const auto &box : shop.messages.boxes)
            EXPECT_NE(box.kind, RecordingMessages::Kind::Error) << box.text.toStdString();
        details.hide();
    }
}

// The stock row given back to is the one equal in every text and in the stock-in date, never one
// that merely contains the line's texts.
TEST_P(SaleCorrectionTest, DeleteGivesBackOnlyToTheStockRowThatIsExactlyTheLines)
{
    struct Case {
        const char *what;
        QVariantHash line;
        QVariantHash lookAlike; // stored first, so the first row any search returns
        QVariantHash exact;     // null: no stock row matches
    };
    const QVariant none;
    const Case cases[] = {
        {"a longer name", {}, {{"a", "长裤"}}, {{"a", "裤"}}},
        {"another stock-in date", {}, {{"day1", "2014-06-01"}}, {{"day1", "2014-07-01"}}},
        {"a missing model is an empty one", {{"b", ""}}, {{"b", "黑"}}, {{"b", none}}},
        {"an empty model is a missing one", {{"b", none}}, {{"b", "L"}}, {{"b", ""}}},
        {"blanks around a text", {{"c", "K01"}}, {{"c", "K011"}}, {{"c", " K01 "}}},
        {"of two equal rows the first", {}, {{"a", "长裤"}}, {{"a", "裤"}}},
        {"no row matches", {}, {{"a", "长裤"}}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const long long lookAlike = stock(c.lookAlike);
        const long long exact = c.exact.isEmpty() ? -1 : stock(c.exact);
        const long long twin = QLatin1String(c.what) == "of two equal rows the first" ? stock(c.exact) : -1;
        const long long key = line(c.line);
        open();
        shop.messages.clear();
        deleteThroughPanel(key);

        const QVariantList untouched{10.0, 250.0, 30.0, 540.0};
        EXPECT_EQ(stockFigures(lookAlike), untouched);
        if (exact >= 0) {
            EXPECT_EQ(stockFigures(exact), QVariantList({8.0, 200.0, 32.0, 576.0}));
            EXPECT_EQ(shop.messages.texts(), QStringList({"删除销售记录成功！"}));
        } else {
            EXPECT_EQ(shop.messages.texts(), QStringList({"删除销售记录成功！未找到对应的库存记录，库存未改变。"}));
        }
        if (twin >= 0)
            EXPECT_EQ(stockFigures(twin), untouched);
        EXPECT_FALSE(lineStored(key)) << "the line goes either way";
        EXPECT_FALSE(panel.isVisible());
        details.hide();
        shop.exec("delete from data");
        shop.exec("delete from data1");
    }
}

// A number that is missing where the give-back needs one stops the deletion before anything is
// written; the message names it.
TEST_P(SaleCorrectionTest, DeleteThatCannotComputeChangesNothing)
{
    struct Case {
        const char *what;
        QVariantHash line;
        QVariantHash stock;
        const char *named;
    };
    const Case cases[] = {
        {"no purchase price", {{"1", QVariant()}}, {}, "进货单价："},
        {"no amount", {{"4", QVariant()}}, {}, "销售金额："},
        {"no sales amount in stock", {}, {{"6", QVariant()}}, "已销售金额："},
        {"no stock value", {}, {{"8", QVariant()}}, "库存金额："},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const long long stockKey = stock(c.stock);
        const QVariantList before = stockFigures(stockKey);
        const long long key = line(c.line);
        open();
        shop.messages.clear();
        deleteThroughPanel(key);

        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes.at(0).kind, RecordingMessages::Kind::Error);
        EXPECT_TRUE(shop.messages.lastText().contains(QString::fromUtf8(c.named))) << shop.messages.lastText().toStdString();
        EXPECT_TRUE(lineStored(key));
        EXPECT_EQ(stockFigures(stockKey), before);
        EXPECT_TRUE(panel.isVisible()) << "the line is still shown";
        details.hide();
        shop.exec("delete from data");
        shop.exec("delete from data1");
    }
}

TEST_P(SaleCorrectionTest, DeleteDeletesTheLineLoadedNotTheCurrentOne)
{
    const long long stockKey = stock({});
    const long long loaded = line({});
    const long long other = line({{"3", 1}, {"4", 25}});
    open();
    select(loaded);
    details.actions().remove->trigger();
    sales.setCurrentRow(sales.rowOfKey(other));
    button("deleteLine")->click();
    EXPECT_FALSE(lineStored(loaded));
    EXPECT_TRUE(lineStored(other));
    EXPECT_EQ(stockFigures(stockKey), QVariantList({8.0, 200.0, 32.0, 576.0}));
}

} // namespace
