#include "sales/salesdetailswindow.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "sales/salelines.h"
#include "sales/saleschartspage.h"
#include "stock/stockqueryview.h"
#include "support/clicks.h"
#include "widgets/barchart.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"
#include "widgets/ondemandcombobox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QFontMetrics>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

// The sales details window of a shop whose date is 2014-07-29, with its fields at hand.
class SalesDetailsTest : public testing::Test {
protected:
    long long line(const QVariantHash &values)
    {
        return addSaleLine(shop, {{"a", "衬衫"}, {"3", 1}, {"4", 50}, {"6", 0}, {"a5", 20}, {"day1", "2014-07-10"}}, values);
    }
    void open()
    {
        details.show();
        QApplication::processEvents();
    }
    template <class T = QLineEdit>
    T *field(const char *name) const
    {
        T *w = details.findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char *button) const { field<QPushButton>(button)->click(); }
    // The keys of the listed lines, in grid order.
    QList<long long> shown() const
    {
        QList<long long> keys;
        for (int r = 0; r < sales.recordCount(); ++r)
            keys << sales.key(r);
        return keys;
    }
    QSet<long long> shownSet() const
    {
        const QList<long long> keys = shown();
        return QSet<long long>(keys.cbegin(), keys.cend());
    }
    Grid &grid() const { return *details.grid(); }
    int column(const char *fieldName) const { return grid().model()->columnOfField(QLatin1String(fieldName)); }
    QString cell(int row, const char *fieldName) const { return grid().model()->displayText(row, column(fieldName)); }
    QString footer(const char *fieldName) const { return grid().model()->footerText(column(fieldName)); }
    QStringList menuItems() const
    {
        QStringList items;
        for (const QAction *a : details.gridMenu()->actions()) {
            if (a->isVisible())
                items << (a->isSeparator() ? QStringLiteral("--") : a->text() + (a->shortcut().isEmpty() ? QString() : " " + a->shortcut().toString()));
        }
        return items;
    }
    bool isRed(int row) const
    {
        return grid().model()->data(grid().model()->index(row, 0), Qt::ForegroundRole).value<QColor>() == QColor(255, 0, 0);
    }

    TestShop shop;
    MainWindow &main = shop.windows();
    SalesDetailsWindow &details = *shop.windowSet().salesDetails;
    Dataset &sales = shop.data.salesQuery;
};

TEST_F(SalesDetailsTest, ShowingListsThisMonthWithItsSums)
{
    const long long first = line({{"day1", "2014-07-01"}, {"3", 2}, {"4", 240}, {"6", 0}, {"a5", 120}});
    const long long back = line({{"day1", "2014-07-15"}, {"3", -1}, {"4", -120}, {"6", 0}, {"a5", -60}});
    const long long last = line({{"day1", "2014-07-29"}, {"3", 1.2345}, {"4", 99.999}, {"6", 50}, {"a5", 19.5}});
    line({{"day1", "2014-06-30"}});
    line({{"day1", "2014-08-01"}});
    open();

    EXPECT_EQ(shown(), QList<long long>({first, back, last}));
    EXPECT_EQ(sales.currentRow(), 2);
    EXPECT_EQ(details.pages()->currentIndex(), 0);
    EXPECT_EQ(cell(2, "3"), "1.235");
    EXPECT_EQ(cell(2, "4"), "100");
    EXPECT_EQ(cell(2, "day1"), "2014-07-29");
    EXPECT_EQ(footer("a"), "合计");
    EXPECT_EQ(footer("3"), "2.2345");
    EXPECT_EQ(footer("4"), "219.999");
    EXPECT_EQ(footer("6"), "50");
    EXPECT_EQ(footer("a5"), "79.5");
    EXPECT_EQ(field<QDateEdit>("queryFrom")->date(), QDate(2014, 7, 29));
    EXPECT_EQ(field<QDateEdit>("queryTo")->date(), QDate(2014, 7, 29));
    EXPECT_EQ(field<QComboBox>("monthChartYear")->currentText(), "2014");
    EXPECT_EQ(field<QComboBox>("dayChartYear")->currentText(), "2014");
    EXPECT_EQ(field<QComboBox>("dayChartMonth")->currentText(), "7");
    // Both charts show profit once their page is opened: July's months bar and the three days.
    details.pages()->setCurrentIndex(details.pages()->indexOf(details.charts()));
    EXPECT_EQ(details.charts()->monthChart()->bars(), QList<QPointF>({{6, 20}, {7, 79.5}, {8, 20}}));
    EXPECT_EQ(details.charts()->dayChart()->bars(), QList<QPointF>({{1, 120}, {15, -60}, {29, 19.5}}));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalesDetailsTest, AnEmptyListShowsZeroSums)
{
    line({{"day1", "2014-06-30"}});
    open();
    EXPECT_EQ(sales.recordCount(), 0);
    for (const char *summed : {"3", "4", "6", "a5"})
        EXPECT_EQ(footer(summed), "0") << summed;
}

TEST_F(SalesDetailsTest, ColumnsInTheirOrderWithOrderNumberAndRemarkHiddenAtFirst)
{
    open();
    EXPECT_EQ(grid().model()->fields(),
              QStringList({"a", "b", "c", "d", "2", "3", "4", "day1", "6", "a5", "z", "g", "i", "h", "j"}));
    for (const char *f : {"a", "b", "c", "d", "2", "3", "4", "day1", "6", "a5", "g", "i", "h"})
        EXPECT_FALSE(grid().isFieldHidden(f)) << f;
    EXPECT_TRUE(grid().isFieldHidden("z"));
    EXPECT_TRUE(grid().isFieldHidden("j"));
    // The visible columns fill the grid's width.
    const QHeaderView *header = grid().header();
    int total = 0;
    for (int i = 0; i < header->count(); ++i)
        total += header->isSectionHidden(i) ? 0 : header->sectionSize(i);
    EXPECT_EQ(total, grid().view()->viewport()->width());
}

TEST_F(SalesDetailsTest, ReturnsAndQuantitiesUpToAHalfAreRed)
{
    const struct {
        double quantity;
        bool red;
    } cases[] = {{-1, true}, {0, true}, {0.4, true}, {0.5, true}, {0.6, false}, {1, false}};
    for (const auto &c : cases)
        line({{"3", c.quantity}});
    open();
    ASSERT_EQ(sales.recordCount(), int(std::size(cases)));
    for (int r = 0; r < sales.recordCount(); ++r)
        EXPECT_EQ(isRed(r), cases[r].red) << cases[r].quantity;
}

TEST_F(SalesDetailsTest, EveryKeystrokeInAConditionListsAgain)
{
    const long long nzk = line({{"e", "nzk"}});
    const long long nz = line({{"e", "NZ"}});
    line({{"e", "cs"}});
    line({{"e", "nzk"}, {"3", -1}});
    open();
    int reads = 0; // listings: the dataset reset with rows loaded, not the closing before it
    QObject listening;
    QObject::connect(&sales, &Dataset::reset, &listening, [&] { reads += sales.isOpen() ? 1 : 0; });

    typeKeys(field("queryName"), "n");
    EXPECT_EQ(reads, 1);
    typeKeys(field("queryName"), "z");
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(shown(), QList<long long>({nzk, nz}));
    typeKeys(field("queryName"), "k");
    EXPECT_EQ(shown(), QList<long long>({nzk}));
    field<QComboBox>("queryCategory")->setEditText("裤");
    EXPECT_EQ(reads, 4);
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(SalesDetailsTest, AnyTextInAnyFieldIsFoundAsTyped)
{
    const QString texts[] = {"O'Neil", "50%", "a_b", QString(3000, QChar(u'裤')), "😀表情"};
    const std::pair<const char *, const char *> fields[] = {
        {"queryCategory", "d"}, {"queryName", "e"}, {"queryCode", "c"},  {"querySpec", "f"},
        {"queryCustomer", "g"}, {"queryRemark", "j"}, {"orderNumber", "z"},
    };
    for (const QString &text : texts) {
        for (const auto &[fieldName, column] : fields) {
            shop.exec("delete from data1");
            const long long match = line({{column, text}});
            line({{column, "其他"}});
            line({{column, "50"}});
            line({{column, "axb"}});
            open();
            click("clearConditions");
            if (QString(fieldName) == "queryCategory") {
                field<QComboBox>(fieldName)->setEditText(text);
            } else {
                field(fieldName)->setText(text);
                if (QString(fieldName) == "orderNumber")
                    click("queryOrder");
            }
            EXPECT_EQ(shown(), QList<long long>({match})) << fieldName << " " << text.left(8).toStdString();
            details.close();
        }
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 4);
}

TEST_F(SalesDetailsTest, SalesAndReturnsQueriesKeepToTheirSide)
{
    const long long sold = line({{"g", "张三"}, {"3", 2}});
    const long long back = line({{"g", "张三"}, {"3", -1}});
    line({{"g", "张三"}, {"3", 0}});
    line({{"g", "李四"}, {"3", -1}});
    open();
    EXPECT_EQ(sales.recordCount(), 4);
    field("queryCustomer")->setText("张");
    EXPECT_EQ(shown(), QList<long long>({sold}));
    click("queryReturns");
    EXPECT_EQ(shown(), QList<long long>({back}));
    click("querySales");
    EXPECT_EQ(shown(), QList<long long>({sold}));
}

TEST_F(SalesDetailsTest, ClearConditionsListsOnceWithNothingLeft)
{
    const long long inJuly = line({{"g", "张三"}, {"day1", "2014-07-10"}});
    const long long inMay = line({{"g", "李四"}, {"day1", "2014-05-10"}});
    open();
    field<QCheckBox>("queryDateRange")->setChecked(true);
    field("queryCustomer")->setText("张");
    field("queryRemark")->setText("x");
    field<QComboBox>("queryCategory")->setEditText("y");
    int reads = 0; // listings: the dataset reset with rows loaded, not the closing before it
    QObject listening;
    QObject::connect(&sales, &Dataset::reset, &listening, [&] { reads += sales.isOpen() ? 1 : 0; });

    click("clearConditions");
    EXPECT_EQ(reads, 1);
    for (const char *name : {"queryName", "queryCode", "querySpec", "queryCustomer", "queryRemark"})
        EXPECT_TRUE(field(name)->text().isEmpty()) << name;
    EXPECT_TRUE(field<QComboBox>("queryCategory")->currentText().isEmpty());
    EXPECT_FALSE(field<QCheckBox>("queryDateRange")->isChecked());
    EXPECT_EQ(shownSet(), QSet<long long>({inJuly, inMay}));

    click("clearConditions"); // nothing left to clear: nothing listed
    EXPECT_EQ(reads, 1);
}

TEST_F(SalesDetailsTest, TodayTicksTheDateRangeAndKeepsTheChosenDates)
{
    const long long first = line({{"day1", "2014-07-01"}});
    const long long second = line({{"day1", "2014-07-02"}});
    line({{"day1", "2014-07-03"}});
    line({{"day1", "2014-07-29"}});
    line({{"day1", "2014-07-02"}, {"3", -1}});
    open();
    field<QDateEdit>("queryFrom")->setDate(QDate(2014, 7, 1));
    field<QDateEdit>("queryTo")->setDate(QDate(2014, 7, 2));
    click("today");
    EXPECT_TRUE(field<QCheckBox>("queryDateRange")->isChecked());
    EXPECT_EQ(field<QDateEdit>("queryFrom")->date(), QDate(2014, 7, 1));
    EXPECT_EQ(shown(), QList<long long>({first, second}));
}

TEST_F(SalesDetailsTest, FullListingsByDateWithTheCategoryListReadWhenOpened)
{
    const long long late = line({{"d", "裤子"}, {"day1", "2014-07-20"}});
    const long long early = line({{"d", "上衣"}, {"day1", "2013-02-01"}});
    const long long back = line({{"day1", "2014-01-05"}, {"3", -2}});
    open();
    auto *category = field<OnDemandComboBox>("queryCategory");
    category->setEditText("上");
    EXPECT_EQ(shown(), QList<long long>({early}));
    int reads = 0; // listings: the dataset reset with rows loaded, not the closing before it
    QObject listening;
    QObject::connect(&sales, &Dataset::reset, &listening, [&] { reads += sales.isOpen() ? 1 : 0; });

    click("allRecords");
    EXPECT_EQ(reads, 1) << "emptying the category lists nothing of its own";
    EXPECT_EQ(shown(), QList<long long>({early, back, late}));
    EXPECT_EQ(sales.currentRow(), 2);
    EXPECT_TRUE(category->currentText().isEmpty());
    EXPECT_TRUE(category->isStale());
    category->refresh();
    QStringList entries;
    for (int i = 0; i < category->count(); ++i)
        entries << category->itemText(i);
    EXPECT_EQ(entries, QStringList({"", "裤子", "上衣"})) << "in pinyin order";
    EXPECT_TRUE(category->currentText().isEmpty());
    EXPECT_EQ(reads, 1);

    click("allReturns");
    EXPECT_EQ(shown(), QList<long long>({back}));
    EXPECT_EQ(sales.currentRow(), 0);
}

TEST_F(SalesDetailsTest, OrderNumberSearchFindsEveryLongerNumberToo)
{
    const long long order = line({{"z", "20140729001"}});
    const long long longer = line({{"z", "201407290015"}});
    line({{"z", "20140729002"}});
    open();
    details.queryOrderNumber(" 20140729001");
    EXPECT_EQ(details.orderNumberText(), " 20140729001");
    EXPECT_EQ(shownSet(), QSet<long long>({order, longer}));

    QSignalSpy preview(&details, &SalesDetailsWindow::notePreviewRequested);
    click("previewNote");
    ASSERT_EQ(preview.count(), 1);
    EXPECT_EQ(preview.at(0).at(0).toString(), " 20140729001");
}

TEST_F(SalesDetailsTest, ClickingARowWithANameTakesItsOrderNumber)
{
    line({{"z", "20140710001"}});
    line({{"a", QVariant()}, {"z", "20140710002"}});
    line({{"a", ""}, {"z", "20140710003"}});
    open();
    clickRow(grid().view(), 0);
    EXPECT_EQ(details.orderNumberText(), "20140710001");
    clickRow(grid().view(), 1);
    clickRow(grid().view(), 2);
    EXPECT_EQ(details.orderNumberText(), "20140710001");
}

TEST_F(SalesDetailsTest, TitleClicksSortAndTheSavedLayoutBringsTheSortBack)
{
    line({{"4", 30}});
    line({{"4", 10}});
    line({{"4", 20}});
    open();
    auto amounts = [&] {
        QStringList a;
        for (int r = 0; r < sales.recordCount(); ++r)
            a << cell(r, "4");
        return a;
    };
    clickTitle(grid().header(), column("4"));
    EXPECT_EQ(amounts(), QStringList({"30", "20", "10"}));
    clickTitle(grid().header(), column("4"));
    EXPECT_EQ(amounts(), QStringList({"10", "20", "30"}));
    clickTitle(grid().header(), column("4"));
    EXPECT_EQ(amounts(), QStringList({"30", "20", "10"}));
    grid().header()->moveSection(grid().header()->visualIndex(column("g")), 0);
    details.actions().saveLayout->trigger();

    const GridLayout saved = shop.layouts.load(SalesDetailsWindow::layoutSection());
    EXPECT_EQ(SalesDetailsWindow::layoutSection(), QString(LayoutStore::kMainGridSection) + "2");
    EXPECT_EQ(saved.columns.value("4").sortMark, 2);
    EXPECT_EQ(saved.columns.value("g").position, 0);
    EXPECT_FALSE(saved.columns.value("z").visible);

    details.close();
    grid().header()->moveSection(0, 11);
    open();
    EXPECT_EQ(amounts(), QStringList({"30", "20", "10"}));
    EXPECT_EQ(grid().header()->visualIndex(column("g")), 0);
    EXPECT_EQ(grid().header()->sortIndicatorSection(), column("4"));
}

// "隐藏欠款" and "隐藏全部客户信息" hold after a saved layout, at every later show: the customer's
// details and the owed amount do not come back while the menu stays ticked.
TEST_F(SalesDetailsTest, HideChoicesStandOverASavedLayoutAtEveryShow)
{
    line({{"6", 12}, {"g", QStringLiteral("王芳")}});
    open();
    details.actions().saveLayout->trigger(); // every column shown but the two hidden at first
    QStringList ticked;
    for (QAction *option : details.actions().hideColumns) {
        if (option->text() == QStringLiteral("隐藏欠款") || option->text() == QStringLiteral("隐藏全部客户信息")) {
            option->trigger();
            ticked << option->text();
        }
    }
    ASSERT_EQ(ticked.size(), 2);
    for (int show = 0; show < 2; ++show) {
        details.close();
        open();
        SCOPED_TRACE(show);
        for (const char *field : {"6", "g", "i", "h"})
            EXPECT_TRUE(grid().header()->isSectionHidden(column(field))) << field;
        for (QAction *option : details.actions().hideColumns) {
            if (ticked.contains(option->text()))
                EXPECT_TRUE(option->isChecked()) << option->text().toStdString();
        }
    }
}

// Columns of order numbers, telephone numbers and money open wide enough for them in a maximised
// window: an 11-digit number, eight digits before the point.
TEST_F(SalesDetailsTest, FigureColumnsOpenWideEnoughForTheirFigures)
{
    open();
    details.resize(1600, 800);
    QApplication::processEvents();
    const QFontMetrics metrics = grid().view()->fontMetrics();
    for (const auto &[field, figure] : {std::pair{"z", "20261124001"}, std::pair{"i", "13805712345"},
                                        std::pair{"2", "12345678.90"}, std::pair{"4", "12345678.90"}}) {
        SCOPED_TRACE(field);
        grid().header()->setSectionHidden(column(field), false); // the order number is hidden at first
        EXPECT_GT(grid().header()->sectionSize(column(field)), metrics.horizontalAdvance(QLatin1String(figure)));
    }
}

TEST_F(SalesDetailsTest, PopupMenuInItsOrderAndWhatItsItemsAnnounce)
{
    open();
    EXPECT_EQ(menuItems(), QStringList({"修 改 ", "删 除 Del", "导出Excel Ctrl+E", "打 印 Ctrl+D", "--", "保存当前列宽", "--",
                                        "隐藏销售单价", "隐藏销售日期", "隐藏欠款", "隐藏净利润", "--", "隐藏全部客户信息",
                                        "显示客户编号", "隐藏客户名称", "隐藏联系方式", "隐藏地址", "隐藏备注", "--",
                                        "全部显示"}));
    for (const QAction *hide : details.actions().hideColumns)
        EXPECT_TRUE(hide->isCheckable()) << hide->text().toStdString();

    QSignalSpy exported(&details, &SalesDetailsWindow::exportRequested);
    QSignalSpy printed(&details, &SalesDetailsWindow::printRequested);
    details.actions().exportExcel->trigger();
    details.actions().print->trigger();
    ASSERT_EQ(exported.count(), 1);
    EXPECT_EQ(exported.at(0).at(0).toString(), "销 售 报 表");
    ASSERT_EQ(printed.count(), 1);
    EXPECT_EQ(printed.at(0).at(0).toString(), "销 售 统 计 报 表");
}

TEST_F(SalesDetailsTest, CorrectionsAreAskedForByDoubleClickAndByDelInTheGridOnly)
{
    line({});
    open();
    QSignalSpy modify(&details, &SalesDetailsWindow::modifyRequested);
    QSignalSpy remove(&details, &SalesDetailsWindow::deleteRequested);
    doubleClickRow(grid().view(), 0);
    EXPECT_EQ(modify.count(), 1);

    auto pressDelete = [](QWidget *target) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Delete);
    };
    details.activateWindow();
    pressDelete(field("queryName"));
    EXPECT_EQ(remove.count(), 0) << "Del in a field deletes a character, not a sale line";
    pressDelete(grid().view());
    EXPECT_EQ(remove.count(), 1);
}

TEST_F(SalesDetailsTest, ShowAllLeavesTheOrderNumberAsItIs)
{
    open();
    for (const char *f : {"b", "2", "day1", "g", "j"})
        grid().setFieldHidden(f, true);
    details.actions().showAll->trigger();
    for (const char *f : {"b", "2", "day1", "g", "j"})
        EXPECT_FALSE(grid().isFieldHidden(f)) << f;
    EXPECT_TRUE(grid().isFieldHidden("z"));
    grid().setFieldHidden("z", false);
    details.actions().showAll->trigger();
    EXPECT_FALSE(grid().isFieldHidden("z"));
}

TEST_F(SalesDetailsTest, AUserOtherThanTheSuperadministratorSeesNoProfitAndCorrectsNothing)
{
    line({{"a5", 99}});
    details.restrictForUser();
    // A stored layout that shows the profit column does not bring it back.
    GridLayout layout;
    layout.columns.insert("a5", {9, 60, true, 0});
    shop.layouts.save(SalesDetailsWindow::layoutSection(), layout);
    open();

    EXPECT_EQ(menuItems(), QStringList({"导出Excel Ctrl+E", "打 印 Ctrl+D", "--", "保存当前列宽", "--", "隐藏销售单价",
                                        "隐藏销售日期", "隐藏欠款", "--", "隐藏全部客户信息", "显示客户编号",
                                        "隐藏客户名称", "隐藏联系方式", "隐藏地址", "隐藏备注", "--"}));
    EXPECT_TRUE(grid().isFieldHidden("a5"));
    details.showAllColumns();
    EXPECT_TRUE(grid().isFieldHidden("a5"));
    EXPECT_FALSE(details.pages()->isTabVisible(1));
    EXPECT_TRUE(details.charts()->monthChart()->bars().isEmpty()) << "no profit is even read for the charts";

    QSignalSpy modify(&details, &SalesDetailsWindow::modifyRequested);
    QSignalSpy remove(&details, &SalesDetailsWindow::deleteRequested);
    doubleClickRow(grid().view(), 0);
    grid().view()->setFocus();
    QTest::keyClick(grid().view(), Qt::Key_Delete);
    EXPECT_EQ(modify.count(), 0);
    EXPECT_EQ(remove.count(), 0);
}

TEST_F(SalesDetailsTest, ClosingListsEveryStockRowInTheMainGridAgain)
{
    for (const char *name : {"衬衫", "长裤", "外套"})
        shop.addStockRow({{"a", name}, {"2", 5}, {"7", 5}, {"day1", "2014-07-01"}});
    line({});
    open();
    // A deleted line narrows the main grid to the stock row it gave back to.
    shop.data.stockQuery.open(Statement("select * from data where a='长裤'"));
    ASSERT_EQ(shop.data.stockQuery.recordCount(), 1);

    details.close();
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 3);
    EXPECT_EQ(main.stockQuery()->grid()->model()->rowCount(), 3);
    EXPECT_FALSE(sales.isOpen());
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalesDetailsTest, ChangedSaleLinesAreListedAndTheChartsShowProfitAgain)
{
    line({{"4", 100}, {"a5", 30}});
    open();
    field<QPushButton>("monthChartSales")->click();
    EXPECT_EQ(details.charts()->monthChart()->bars(), QList<QPointF>({{7, 100}}));
    const long long added = line({{"4", 50}, {"a5", 10}, {"day1", "2014-07-29"}});

    emit shop.events.saleLinesChanged();
    EXPECT_EQ(sales.key(sales.recordCount() - 1), added);
    details.pages()->setCurrentIndex(details.pages()->indexOf(details.charts()));
    EXPECT_EQ(details.charts()->monthChart()->bars(), QList<QPointF>({{7, 40}}));
}

TEST_F(SalesDetailsTest, AFailedListingIsShownAndLeavesTheGridEmpty)
{
    line({});
    open();
    ASSERT_EQ(sales.recordCount(), 1);
    shop.exec("alter table data1 rename to data1_gone");
    click("thisMonth");
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.at(0).kind, RecordingMessages::Kind::Error);
    EXPECT_EQ(grid().model()->rowCount(), 0);
    shop.exec("alter table data1_gone rename to data1");
}

} // namespace
