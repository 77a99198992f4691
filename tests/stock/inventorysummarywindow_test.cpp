#include "stock/inventorysummarywindow.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "sales/salepanel.h"
#include "stock/stockqueryview.h"
#include "support/clicks.h"
#include "support/testapp.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// The main window of a shop with its summary window at hand.
class InventorySummaryTest : public testing::Test {
protected:
    // A stock row of an article with bought, bought amount, sold, sold amount, stock, stock value.
    long long add(const QVariant &name, const QVariant &model, const QVariant &category, std::array<double, 6> figures,
                  const QString &code = QStringLiteral("NZ01"))
    {
        QVariantHash row{{"a", name}, {"b", model}, {"c", code}, {"d", category}, {"1", 10}, {"4", 20},
                         {"day1", QStringLiteral("2014-07-01")}};
        const char *fields[] = {"2", "3", "5", "6", "7", "8"};
        for (size_t i = 0; i < figures.size(); ++i)
            row.insert(QLatin1String(fields[i]), figures[i]);
        return shop.addStockRow(row);
    }
    // Each line as the grid shows it, its cells joined by "|".
    QStringList lines() const
    {
        QStringList shown;
        for (int row = 0; row < model()->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model()->columnCount(); ++column)
                cells << model()->displayText(row, column);
            shown << cells.join(QLatin1Char('|'));
        }
        return shown;
    }
    QString footer() const
    {
        QStringList cells;
        for (int column = 0; column < model()->columnCount(); ++column)
            cells << model()->footerText(column);
        return cells.join(QLatin1Char('|'));
    }
    QStringList column(const QString &field) const
    {
        QStringList cells;
        for (int row = 0; row < model()->rowCount(); ++row)
            cells << model()->displayText(row, model()->columnOfField(field));
        return cells;
    }
    void clickTitleOf(const QString &field) const { clickTitle(grid()->header(), model()->columnOfField(field)); }
    Grid *grid() const { return window.gridWidget(); }
    DatasetModel *model() const { return grid()->model(); }
    void openBeside() const
    {
        main.actions().summary->trigger();
        QApplication::processEvents();
    }

    TestShop shop;
    MainWindow &main = shop.windows();
    InventorySummaryWindow &window = *shop.windowSet().inventorySummary;
    Dataset &summary = shop.data.summaryQuery;
};

const QString kJeans = QStringLiteral("牛仔裤");
const QString kTrousers = QStringLiteral("裤子");

} // namespace

TEST_F(InventorySummaryTest, TotalsTheStockRowsOfEachArticleOnOneLine)
{
    // Three batches of one article: stock 4, 0 and -1 make 3.
    add(kJeans, "XL", kTrousers, {5, 50, 1, 20, 4, 40});
    add(kJeans, "XL", kTrousers, {3, 30, 3, 60, 0, 0});
    add(kJeans, "XL", kTrousers, {2, 20, 3, 60, -1, -10});
    // Without a model: a line of its own, whether the model is missing or empty.
    add(kJeans, QVariant(), kTrousers, {1, 10, 0, 0, 1, 10});
    add(kJeans, "", kTrousers, {2, 20, 0, 0, 2, 20});
    // Totals are shown as they are, not rounded to a display format.
    add(QStringLiteral("衬衫"), "M", QVariant(), {1.5, 10.125, 0, 0, 1.5, 10.125}, QStringLiteral("CS01"));
    openBeside();

    EXPECT_EQ(lines(), (QStringList{
                           QStringLiteral("牛仔裤||NZ01|裤子|3|30|0|0|3|30"),
                           QStringLiteral("牛仔裤|XL|NZ01|裤子|10|100|7|140|3|30"),
                           QStringLiteral("衬衫|M|CS01||1.5|10.125|0|0|1.5|10.125"),
                       }));
    EXPECT_EQ(footer(), QStringLiteral("总计||||14.5|140.125|7|140|7.5|70.125"));
    EXPECT_EQ(summary.currentRow(), 2) << "the last line is current";
    EXPECT_EQ(grid()->view()->currentIndex().row(), 2);

    QStringList titles;
    for (int c = 0; c < model()->columnCount(); ++c)
        titles << model()->headerData(c, Qt::Horizontal, GroupedHeader::GroupRole).toString() + QLatin1Char('/') +
                      model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles.join(QLatin1Char(',')),
              QStringLiteral("商 品 信 息/名 称,商 品 信 息/规格型号,商 品 信 息/编 码,商 品 信 息/类 别,进 货/数 量,"
                             "进 货/金 额,销 售/数 量,销 售/金 额,存 货/数 量,存 货/金 额"));
    EXPECT_EQ(model()->data(model()->index(0, 8), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

TEST_F(InventorySummaryTest, AnEmptyStockShowsNoLinesAndZeroTotals)
{
    openBeside();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(summary.isOpen());
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(footer(), QStringLiteral("总计||||0|0|0|0|0|0"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(InventorySummaryTest, OneWindowModalFromTheToolbarAndBesideTheMainWindowFromTheMenu)
{
    add(kJeans, "XL", kTrousers, {5, 50, 1, 20, 4, 40});
    openBeside();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window stays usable";
    EXPECT_EQ(model()->rowCount(), 1);

    // The toolbar shows the same window again, modally, with what the stock holds now.
    add(QStringLiteral("衬衫"), "M", kTrousers, {1, 10, 0, 0, 1, 10});
    bool modal = false;
    int shownLines = -1;
    QTimer::singleShot(0, &window, [&] {
        modal = QApplication::activeModalWidget() == &window;
        shownLines = model()->rowCount();
        window.findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
    });
    main.toolbar().summary->click();
    EXPECT_TRUE(modal);
    EXPECT_EQ(shownLines, 2);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(summary.isOpen()) << "closing the window closes its result";
    EXPECT_EQ(main.findChildren<InventorySummaryWindow *>().size(), 1);
    EXPECT_EQ(window.objectName(), QStringLiteral("TForm1"));

    // Every show reads afresh.
    shop.exec(QStringLiteral("update data set [7]=9 where a=?"), {kJeans});
    openBeside();
    EXPECT_EQ(column(QStringLiteral("库存数量")), (QStringList{"9", "1"}));
}

TEST_F(InventorySummaryTest, TitleClicksSortTheLoadedLinesLikeTheMainGrid)
{
    add(QStringLiteral("甲"), "", kTrousers, {5, 50, 1, 20, 4, 40});
    add(QStringLiteral("乙"), "", kTrousers, {9, 90, 0, 0, 9, 90});
    add(QStringLiteral("丙"), "", kTrousers, {1, 10, 0, 0, -2, -20});
    openBeside();
    const QString footerBefore = footer();
    shop.exec(QStringLiteral("delete from data")); // a sort runs no statement

    const struct {
        const char *field;
        QStringList names;
        Qt::SortOrder mark;
    } clicks[] = {
        {"库存数量", {"乙", "甲", "丙"}, Qt::DescendingOrder}, // largest stock first
        {"库存数量", {"丙", "甲", "乙"}, Qt::AscendingOrder},
        {"库存数量", {"乙", "甲", "丙"}, Qt::DescendingOrder},
        {"销售金额", {"甲", "乙", "丙"}, Qt::DescendingOrder}, // another title starts descending
    };
    for (const auto &click : clicks) {
        clickTitleOf(QString::fromUtf8(click.field));
        EXPECT_EQ(column(QStringLiteral("a")), click.names) << click.field;
        EXPECT_EQ(grid()->header()->sortIndicatorSection(), model()->columnOfField(QString::fromUtf8(click.field)));
        EXPECT_EQ(grid()->header()->sortIndicatorOrder(), click.mark);
    }
    EXPECT_EQ(footer(), footerBefore);
}

TEST_F(InventorySummaryTest, ASalePostedWhileOpenShowsAtOnceKeepingTheSortAndTheLine)
{
    add(QStringLiteral("衬衫"), "M", kTrousers, {9, 90, 0, 0, 9, 90}, QStringLiteral("CS01"));
    add(kJeans, "XL", kTrousers, {5, 50, 0, 0, 5, 50});
    add(QStringLiteral("外套"), "L", kTrousers, {1, 10, 0, 0, 1, 10}, QStringLiteral("WT01"));
    openBeside();
    clickTitleOf(QStringLiteral("库存数量"));
    summary.setCurrentRow(1);
    ASSERT_EQ(summary.value(1, QStringLiteral("a")).toString(), kJeans);

    // Sell one pair of jeans from the main grid.
    shop.data.stockQuery.open(Statement("select * from data where a=?", {kJeans}));
    emit main.stockQuery()->rowClicked(0);
    emit main.stockQuery()->rowDoubleClicked(0);
    main.salePanel()->findChild<QAbstractButton *>(QStringLiteral("confirmSale"))->click();
    ASSERT_EQ(shop.scalar(QStringLiteral("select [7] from data where a=?"), {kJeans}).toDouble(), 4)
        << shop.messages.lastText().toStdString();

    EXPECT_EQ(lines(), (QStringList{
                           QStringLiteral("衬衫|M|CS01|裤子|9|90|0|0|9|90"),
                           QStringLiteral("牛仔裤|XL|NZ01|裤子|5|50|1|20|4|40"),
                           QStringLiteral("外套|L|WT01|裤子|1|10|0|0|1|10"),
                       }));
    EXPECT_EQ(summary.currentRow(), 1);
    EXPECT_EQ(grid()->header()->sortIndicatorSection(), model()->columnOfField(QStringLiteral("库存数量")));
}

TEST_F(InventorySummaryTest, ARestrictedUserSeesNoAmounts)
{
    add(kJeans, "XL", kTrousers, {5, 50, 1, 20, 4, 40});
    window.restrictForUser();
    openBeside();
    for (const char *field : {"进货金额", "销售金额", "库存金额"})
        EXPECT_TRUE(grid()->isFieldHidden(QString::fromUtf8(field))) << field;
    for (const char *field : {"a", "b", "c", "d", "进货数量", "销售数量", "库存数量"})
        EXPECT_FALSE(grid()->isFieldHidden(QString::fromUtf8(field))) << field;
    grid()->setFieldHidden(QStringLiteral("库存金额"), false);
    EXPECT_TRUE(grid()->isFieldHidden(QStringLiteral("库存金额"))) << "hidden for the rest of the run";
}

TEST_F(InventorySummaryTest, ExportAndPrintAreAskedForWithTheirTitles)
{
    openBeside();
    QSignalSpy exports(&window, &InventorySummaryWindow::exportRequested);
    QSignalSpy prints(&window, &InventorySummaryWindow::printRequested);
    const auto action = [&](const char *name) { return window.gridMenu()->findChild<QAction *>(QLatin1String(name)); };
    const auto button = [&](const char *name) { return window.findChild<QPushButton *>(QLatin1String(name)); };
    ASSERT_TRUE(action("exportExcel") && action("print") && button("exportButton") && button("printButton"));
    EXPECT_EQ(action("exportExcel")->text(), QStringLiteral("导出Excel"));
    EXPECT_EQ(action("print")->text(), QStringLiteral("打 印"));

    action("exportExcel")->trigger();
    button("exportButton")->click();
    action("print")->trigger();
    button("printButton")->click();
    ASSERT_EQ(exports.size(), 2);
    ASSERT_EQ(prints.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(exports.at(i).at(0).toString(), QStringLiteral("商品进销存统计报表"));
        EXPECT_EQ(prints.at(i).at(0).toString(), QStringLiteral("商 品 进 销 存 统 计 报 表"));
    }
}

TEST_F(InventorySummaryTest, TheGridFillsTheWindowAboveTheButtonRow)
{
    openBeside();
    for (const QSize size : {QSize(900, 520), QSize(700, 300)}) {
        window.resize(size);
        QApplication::processEvents();
        EXPECT_EQ(grid()->height(), window.height() - 35) << size.height();
    }
}

TEST_F(InventorySummaryTest, AFailedReadIsShownAndTheWindowStaysEmpty)
{
    shop.exec(QStringLiteral("alter table data rename to data_old"));
    openBeside();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(model()->rowCount(), 0);
}
