#include "widgets/grid.h"

#include "support/clicks.h"
#include "support/testapp.h"
#include "widgets/gridfooter.h"
#include "widgets/groupedheader.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <QImage>
#include <gtest/gtest.h>

namespace {

GridColumns columns()
{
    using C = GridColumn;
    return {
        C::text("a", "商 品", "名 称").withFooterText("总计"),
        C::text("c", "商 品", "编 码"),
        C::number("2", "进 货", "数 量", "#0.###", C::Footer::Sum),
        C::number("3", "进 货", "金 额", "#0.##", C::Footer::Sum),
        C::text("day1", "", "日 期").centred(),
    };
}

// A shown grid over five stock rows.
class GridTest : public testing::Test {
protected:
    void SetUp() override
    {
        const double quantities[] = {3, 10, 1.5, 7, 0.25};
        for (int i = 0; i < 5; ++i)
            shop.addStockRow({{"a", QStringLiteral("货%1").arg(i)}, {"c", QString::number(100 + i)},
                              {"2", quantities[i]}, {"3", quantities[i] * 1.1}, {"day1", "2014-07-0" + QString::number(i + 1)}});
        grid.resize(700, 300);
        grid.show();
        load();
    }
    void load() { stock.open(Statement("select * from data order by ID")); }
    QStringList names() const
    {
        QStringList n;
        for (int r = 0; r < stock.recordCount(); ++r)
            n << stock.value(r, "a").toString();
        return n;
    }
    QHeaderView *header() const { return grid.view()->horizontalHeader(); }
    QString mark() const
    {
        if (header()->sortIndicatorSection() < 0)
            return "none";
        return QString::number(header()->sortIndicatorSection()) +
               (header()->sortIndicatorOrder() == Qt::DescendingOrder ? " desc" : " asc");
    }

    TestShop shop;
    Dataset &stock = shop.data.stockQuery;
    Grid grid{stock, columns()};
};

TEST_F(GridTest, TitleClicksSortTheLoadedRows)
{
    int sorts = 0;
    QObject::connect(&grid, &Grid::sorted, [&] { ++sorts; });
    clickTitle(header(), 2);
    EXPECT_EQ(names(), QStringList({"货1", "货3", "货0", "货2", "货4"}));
    EXPECT_EQ(mark(), "2 desc");
    clickTitle(header(), 2);
    EXPECT_EQ(names(), QStringList({"货4", "货2", "货0", "货3", "货1"}));
    EXPECT_EQ(mark(), "2 asc");
    clickTitle(header(), 1);
    EXPECT_EQ(names(), QStringList({"货4", "货3", "货2", "货1", "货0"}));
    EXPECT_EQ(mark(), "1 desc");
    EXPECT_EQ(sorts, 3);
    // A reload ends the sort: rows in the statement's order, no mark, and the next click starts over.
    load();
    EXPECT_EQ(mark(), "none");
    clickTitle(header(), 1);
    EXPECT_EQ(mark(), "1 desc");
}

// Which way the sort mark of `column` points in the header as drawn: the rows of its triangle at the
// right end of the title get wider downwards when it points up.
QString markDirection(QHeaderView *header, int column)
{
    const QImage image = header->grab().toImage();
    const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
    int first = -1, last = -1, firstWidth = 0, lastWidth = 0;
    for (int y = image.height() / 2; y < image.height(); ++y) {
        int width = 0;
        for (int x = std::max(0, right - 16); x < right - 1; ++x)
            width += qGray(image.pixel(x, y)) < 110;
        if (width == 0)
            continue;
        if (first < 0)
            first = y, firstWidth = width;
        last = y, lastWidth = width;
    }
    if (first < 0)
        return QStringLiteral("none");
    return firstWidth < lastWidth ? QStringLiteral("up") : QStringLiteral("down");
}

// The first click sorts from the largest down and shows ▼; the second from the smallest up, ▲.
TEST_F(GridTest, TheSortMarkPointsTheWayTheRowsGo)
{
    clickTitle(header(), 2);
    ASSERT_EQ(mark(), "2 desc");
    EXPECT_EQ(markDirection(header(), 2), "down");
    clickTitle(header(), 2);
    ASSERT_EQ(mark(), "2 asc");
    EXPECT_EQ(markDirection(header(), 2), "up");
}

TEST_F(GridTest, SelectionFollowsTheCurrentRowBothWays)
{
    EXPECT_EQ(grid.view()->currentIndex().row(), 0);
    stock.setCurrentRow(3);
    EXPECT_EQ(grid.view()->currentIndex().row(), 3);
    EXPECT_TRUE(grid.view()->selectionModel()->isRowSelected(3, {}));

    QList<int> clicked, doubleClicked;
    QObject::connect(&grid, &Grid::rowClicked, [&](int row) { clicked << row; });
    QObject::connect(&grid, &Grid::rowDoubleClicked, [&](int row) { doubleClicked << row; });
    clickRow(grid.view(), 1);
    EXPECT_EQ(stock.currentRow(), 1);
    EXPECT_EQ(clicked, QList<int>({1}));
    doubleClickRow(grid.view(), 4);
    EXPECT_EQ(stock.currentRow(), 4);
    EXPECT_EQ(doubleClicked, QList<int>({4}));

    // The current row stays on its stock row when the rows are re-sorted.
    clickTitle(header(), 2);
    EXPECT_EQ(stock.text("a"), "货4");
    EXPECT_EQ(grid.view()->currentIndex().row(), 4);
}

TEST_F(GridTest, FooterShowsTextsAndSumsOfTheLoadedRows)
{
    const DatasetModel &model = *grid.model();
    EXPECT_EQ(model.footerText(0), "总计");
    EXPECT_EQ(model.footerText(1), "");
    EXPECT_EQ(model.footerText(2), "21.75");
    EXPECT_EQ(model.footerText(3), "23.925"); // 3.3 + 11 + 1.65 + 7.7 + 0.275, each to four decimals
    stock.setCurrentRow(0);
    stock.updateByKey(stock.currentKey(), {{"2", 100.00004}});
    EXPECT_EQ(model.footerText(2), "118.75");
    stock.open(Statement("select * from data where [2]>1000"));
    EXPECT_EQ(model.footerText(2), "0");
    EXPECT_EQ(model.footerText(0), "总计");
    stock.close();
    EXPECT_EQ(model.footerText(2), "0");
}

TEST_F(GridTest, LayoutComesBackAsSaved)
{
    header()->moveSection(header()->visualIndex(4), 0);
    header()->resizeSection(1, 123);
    grid.setFieldHidden("3", true);
    clickTitle(header(), 2);
    shop.layouts.save("MainGrid", grid.captureLayout());

    Grid other(stock, columns());
    load();
    other.applyLayout(shop.layouts.load("MainGrid"));
    QHeaderView *h = other.view()->horizontalHeader();
    EXPECT_EQ(h->visualIndex(4), 0);
    EXPECT_EQ(h->sectionSize(1), 123);
    EXPECT_TRUE(other.isFieldHidden("3"));
    EXPECT_FALSE(other.isFieldHidden("2"));
    // The saved mark sorts the rows it is put on.
    EXPECT_EQ(h->sortIndicatorSection(), 2);
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(names().first(), "货1");
}

TEST_F(GridTest, LockedColumnsStayHidden)
{
    shop.layouts.save("MainGrid", grid.captureLayout()); // every column shown
    grid.lockHidden({"2", "DAY1"});
    grid.setFieldHidden("2", false);
    grid.applyLayout(shop.layouts.load("MainGrid"));
    EXPECT_TRUE(grid.isFieldHidden("2"));
    EXPECT_TRUE(grid.isFieldHidden("day1"));
    EXPECT_FALSE(grid.isFieldHidden("3"));
}

TEST_F(GridTest, ALayoutCapturedUnderALockRecordsWhatLiesBeneathIt)
{
    header()->resizeSection(2, 91);
    grid.setFieldHidden("3", true);
    grid.lockHidden({"2", "3"});
    EXPECT_TRUE(grid.isFieldHidden("2"));
    // Beneath the lock: "2" shown, "3" hidden and then shown by a later call, "day1" hidden.
    grid.setFieldHidden("3", false);
    grid.setFieldHidden("day1", true);
    EXPECT_TRUE(grid.isFieldHidden("3"));
    EXPECT_EQ(grid.visibleColumns(), QList<int>({0, 1}));

    const GridLayout saved = grid.captureLayout();
    EXPECT_TRUE(saved.columns.value("2").visible);
    EXPECT_TRUE(saved.columns.value("3").visible);
    EXPECT_FALSE(saved.columns.value("day1").visible);
    EXPECT_EQ(saved.columns.value("2").width, 91); // a hidden column keeps the width it had

    // A restored layout speaks for what lies beneath the lock, not for the lock itself.
    GridLayout stored = saved;
    stored.columns["2"].visible = false;
    grid.applyLayout(stored);
    EXPECT_TRUE(grid.isFieldHidden("2"));
    EXPECT_FALSE(grid.captureLayout().columns.value("2").visible);
    EXPECT_TRUE(grid.captureLayout().columns.value("3").visible);

    Grid unlocked(stock, columns());
    unlocked.applyLayout(saved);
    EXPECT_FALSE(unlocked.isFieldHidden("2"));
    EXPECT_EQ(unlocked.view()->horizontalHeader()->sectionSize(2), 91);
}

TEST_F(GridTest, GroupTitleSpansItsVisibleNeighbours)
{
    const GroupedHeader *h = grid.header();
    EXPECT_EQ(h->groupRect(0), h->groupRect(1));
    EXPECT_EQ(h->groupRect(0).width(), h->sectionSize(0) + h->sectionSize(1));
    EXPECT_EQ(h->groupRect(2).left(), h->sectionViewportPosition(2));
    EXPECT_TRUE(h->groupRect(4).isEmpty());
    grid.setFieldHidden("c", true);
    EXPECT_EQ(h->groupRect(0).width(), h->sectionSize(0));
    // A column moved between two of a group splits it.
    grid.setFieldHidden("c", false);
    grid.header()->moveSection(grid.header()->visualIndex(4), 1);
    EXPECT_EQ(h->groupRect(0).width(), h->sectionSize(0));
    EXPECT_EQ(h->groupRect(1).left(), h->sectionViewportPosition(1));
}

} // namespace

namespace {

// A footer total wider than its column is drawn whole in a smaller size; one that fits nowhere is
// cut at its end, marked by an ellipsis: never with its leading digits cut off, which reads as a
// smaller number.
TEST(GridFooterText, ATotalIsShownWholeOrVisiblyCut)
{
    QFont inPoints = QApplication::font();
    inPoints.setPointSizeF(10);
    QFont inPixels = QApplication::font();
    inPixels.setPixelSize(14); // as the sales details' grid
    const QString total = QStringLiteral("51585742.25");
    for (const QFont &font : {inPoints, inPixels}) {
        const bool pixels = font.pointSizeF() <= 0;
        auto size = [&](const QFont &f) { return pixels ? qreal(f.pixelSize()) : f.pointSizeF(); };
        const int natural = QFontMetrics(font).horizontalAdvance(total);
        const struct {
            const char *what;
            int width;
            bool smaller;
            bool whole;
        } cases[] = {
            {"fits", natural, false, true},
            {"a little too wide", natural * 9 / 10, true, true},
            {"far too wide", natural / 3, true, false},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.what) + (pixels ? " (pixels)" : " (points)"));
            const FittedText fitted = fitFooterText(font, total, c.width);
            EXPECT_EQ(size(fitted.font) < size(font), c.smaller);
            EXPECT_GE(size(fitted.font), size(font) * 2 / 3 - 1);
            EXPECT_LE(QFontMetrics(fitted.font).horizontalAdvance(fitted.text), c.width);
            if (c.whole) {
                EXPECT_EQ(fitted.text, total);
            } else {
                EXPECT_TRUE(fitted.text.endsWith(QChar(0x2026))) << fitted.text.toStdString();
                EXPECT_TRUE(total.startsWith(fitted.text.chopped(1))) << "the leading digits stay";
            }
        }
    }
}

} // namespace
