#include "stock/columnhiding/columnhiding.h"

#include "app/mainwindow.h"
#include "common/layoutstore.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "widgets/grid.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <memory>

#include <QApplication>
#include <QGuiApplication>
#include "widgets/groupedheader.h"
#include <QHeaderView>
#include <QImage>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using Kind = RecordingMessages::Kind;

QStringList hiddenFields(const Grid &grid)
{
    QStringList hidden;
    for (const QString &field : grid.model()->fields()) {
        if (grid.isFieldHidden(field))
            hidden << field;
    }
    return hidden;
}

QStringList tickedItems(const QMenu *menu)
{
    QStringList ticked;
    for (const QAction *a : menu->actions()) {
        if (a->isChecked())
            ticked << a->text();
    }
    return ticked;
}

QAction *item(const QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    ADD_FAILURE() << "no item " << text.toStdString();
    return nullptr;
}

// The main window of a shop and its grid's "隐藏列".
struct MainGrid {
    explicit MainGrid(TestShop &shop) : main(shop.windows()) {}
    MainWindow &main;
    Grid &grid = *main.stockQuery()->gridWidget();
    QMenu *menu = main.actions().hideColumns;
};

TEST(MainGridColumnHiding, EachItemTogglesItsColumnsItsTickAndItsStoredValue)
{
    TestShop shop;
    MainGrid m(shop);
    QStringList texts;
    for (const QAction *a : m.menu->actions()) {
        texts << a->text();
        EXPECT_TRUE(a->isCheckable());
    }
    EXPECT_EQ(texts, QStringList({"隐藏进货单价", "隐藏销售单价", "隐藏金额", "隐藏日期", "隐藏供货商", "隐藏备注信息"}));

    const struct {
        const char *item;
        const char *setting;
        QStringList fields;
    } cases[] = {
        {"隐藏进货单价", "rukuyin1", {"1"}},
        {"隐藏销售单价", "rukuyin6", {"4"}},
        {"隐藏金额", "rukuyin2", {"3", "6", "8"}},
        {"隐藏日期", "rukuyin3", {"day1"}},
        {"隐藏供货商", "rukuyin4", {"g"}},
        {"隐藏备注信息", "rukuyin5", {"z"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.item);
        QAction *option = item(m.menu, c.item);
        option->trigger();
        EXPECT_EQ(hiddenFields(m.grid), c.fields);
        EXPECT_TRUE(option->isChecked());
        EXPECT_EQ(shop.settings.read(c.setting), "yes");
        option->trigger();
        EXPECT_EQ(hiddenFields(m.grid), QStringList());
        EXPECT_FALSE(option->isChecked());
        EXPECT_EQ(shop.settings.read(c.setting), "no");
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

// The two-level headings follow the visible columns at once: what the screen holds after each
// hide or show is what a full repaint draws ("销 售" once spanned the purchase quantity).
TEST(MainGridColumnHiding, HeadingsFollowEveryHideAtOnce)
{
    TestShop shop;
    MainGrid m(shop);
    m.main.resize(1100, 600);
    m.main.show();
    QHeaderView *header = m.grid.header();
    auto onScreen = [&] {
        QApplication::processEvents();
        const QPoint at = header->mapTo(&m.main, QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(m.main.winId(), at.x(), at.y(), header->width(), header->height())
            .toImage();
    };
    for (const QString &option : {QStringLiteral("隐藏进货单价"), QStringLiteral("隐藏进货单价"), QStringLiteral("隐藏销售单价"),
                                  QStringLiteral("隐藏金额"), QStringLiteral("隐藏金额")}) {
        SCOPED_TRACE(option.toStdString());
        item(m.menu, option)->trigger();
        const QImage shown = onScreen();
        header->viewport()->repaint();
        EXPECT_TRUE(onScreen() == shown) << "headings left stale";
    }
}

TEST(MainGridColumnHiding, StoredValuesAreAppliedInOrderWhenTheMainWindowFirstShows)
{
    const struct {
        const char *what;
        QMap<QString, QString> stored; // empty: no settings file
        QStringList hidden;
        QStringList ticked;
    } cases[] = {
        {"no settings file", {}, {}, {}},
        {"amounts hidden", {{"rukuyin2", "yes"}}, {"3", "6", "8"}, {"隐藏金额"}},
        {"every option", {{"rukuyin1", "yes"}, {"rukuyin2", "yes"}, {"rukuyin3", "yes"}, {"rukuyin4", "yes"},
                          {"rukuyin5", "yes"}, {"rukuyin6", "yes"}},
         {"1", "3", "4", "6", "8", "day1", "g", "z"},
         {"隐藏进货单价", "隐藏销售单价", "隐藏金额", "隐藏日期", "隐藏供货商", "隐藏备注信息"}},
        {"no shows, other values change nothing", {{"rukuyin1", "no"}, {"rukuyin3", "Yes"}, {"rukuyin4", ""}}, {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TestShop shop;
        for (auto it = c.stored.cbegin(); it != c.stored.cend(); ++it)
            ASSERT_TRUE(shop.settings.write(it.key(), it.value()));
        MainGrid m(shop); // its first show runs here
        EXPECT_EQ(hiddenFields(m.grid), c.hidden);
        EXPECT_EQ(tickedItems(m.menu), c.ticked);
        EXPECT_EQ(shop.ctx.session.loginNumber, 0); // before anyone has logged in
    }
}

TEST(MainGridColumnHiding, HiddenColumnsStayHiddenAfterARestartAndTheLogin)
{
    TestShop first;
    {
        MainGrid m(first);
        first.logIn();
        // Column widths saved while every column showed, then the amounts hidden.
        m.main.actions().saveLayout->trigger();
        item(m.menu, "隐藏金额")->trigger();
        item(m.menu, "隐藏日期")->trigger();
        item(m.menu, "隐藏日期")->trigger();
    }

    TestShop second(first.configFolder);
    MainGrid m(second);
    EXPECT_EQ(hiddenFields(m.grid), QStringList({"3", "6", "8"}));
    // The login restores the older layout; the remembered choice still stands over it.
    second.logInThroughWindow();
    ASSERT_NE(second.ctx.session.loginNumber, 0);
    EXPECT_EQ(hiddenFields(m.grid), QStringList({"3", "6", "8"}));
    EXPECT_EQ(tickedItems(m.menu), QStringList{"隐藏金额"});
}

TEST(MainGridColumnHiding, AChoiceThatCannotBeStoredStillAppliesAndSaysItWillNotBeRemembered)
{
    TestShop shop;
    MainGrid m(shop);
    // The settings folder's place is taken by a file: nothing can be stored there.
    QFile blocker(shop.configFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    item(m.menu, "隐藏供货商")->trigger();
    EXPECT_EQ(hiddenFields(m.grid), QStringList{"g"});
    EXPECT_TRUE(item(m.menu, "隐藏供货商")->isChecked());
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, Kind::Warning);
    EXPECT_TRUE(shop.messages.lastText().startsWith("“隐藏供货商”已在本次使用中生效，但无法保存到设置文件，下次启动时不会恢复"))
        << shop.messages.lastText().toStdString();
}

// A grid with the sales details' fifteen columns, its order number and remark hidden as the window
// creates it, and the sales details' options in a menu of their own.
class SalesDetailsHidingTest : public testing::Test {
protected:
    void SetUp() override
    {
        grid.setFieldHidden("z", true);
        grid.setFieldHidden("j", true);
    }
    void start()
    {
        hiding = std::make_unique<ColumnHiding>(grid, hideoptions::salesDetails(), shop.settings, shop.messages);
        hiding->addTo(&menu);
    }
    static GridColumns columns()
    {
        GridColumns c;
        for (const char *field : {"a", "b", "c", "d", "2", "3", "4", "day1", "6", "a5", "z", "g", "i", "h", "j"})
            c << GridColumn::text(field, "", field);
        return c;
    }

    TestShop shop;
    Grid grid{shop.data.salesQuery, columns()};
    QMenu menu;
    std::unique_ptr<ColumnHiding> hiding;
};

TEST_F(SalesDetailsHidingTest, ItemsStandInTwoGroupsAndTheOrderNumberItemShowsItsColumn)
{
    start();
    QStringList texts;
    for (const QAction *a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
    EXPECT_EQ(texts, QStringList({"隐藏销售单价", "隐藏销售日期", "隐藏欠款", "隐藏净利润", "|", "隐藏全部客户信息",
                                  "显示客户编号", "隐藏客户名称", "隐藏联系方式", "隐藏地址", "隐藏备注"}));

    hiding->action("xiaoshouyin6")->trigger();
    EXPECT_FALSE(grid.isFieldHidden("z"));
    EXPECT_EQ(shop.settings.read("xiaoshouyin6"), "yes");
    // The first click on an item whose column is already hidden keeps it hidden and stores "yes".
    hiding->action("xiaoshouyin10")->trigger();
    EXPECT_TRUE(grid.isFieldHidden("j"));
    EXPECT_EQ(shop.settings.read("xiaoshouyin10"), "yes");
    hiding->action("xiaoshouyin5")->trigger();
    EXPECT_EQ(hiddenFields(grid), QStringList({"g", "i", "h", "j"}));
    // Items sharing a column: the last click decides the column, the ticks stay as clicked.
    hiding->action("xiaoshouyin7")->trigger();
    hiding->action("xiaoshouyin7")->trigger();
    EXPECT_FALSE(grid.isFieldHidden("g"));
    EXPECT_TRUE(hiding->action("xiaoshouyin5")->isChecked());
}

TEST_F(SalesDetailsHidingTest, StoredValuesApplyInOrderSoSingleCustomerColumnsWin)
{
    const struct {
        const char *what;
        QMap<QString, QString> stored;
        QStringList hidden;
    } cases[] = {
        {"no settings file", {}, {"z", "j"}},
        {"all customer columns, then the name shown again",
         {{"xiaoshouyin5", "yes"}, {"xiaoshouyin7", "no"}}, {"z", "i", "h", "j"}},
        {"a no shows a column the window hides", {{"xiaoshouyin10", "no"}}, {"z"}},
        {"the order number shown", {{"xiaoshouyin6", "yes"}, {"xiaoshouyin1", "yes"}, {"xiaoshouyin4", "yes"}},
         {"2", "a5", "j"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TestShop fresh;
        for (auto it = c.stored.cbegin(); it != c.stored.cend(); ++it)
            ASSERT_TRUE(fresh.settings.write(it.key(), it.value()));
        Grid details(fresh.data.salesQuery, columns());
        details.setFieldHidden("z", true);
        details.setFieldHidden("j", true);
        ColumnHiding h(details, hideoptions::salesDetails(), fresh.settings, fresh.messages);
        h.applyStored();
        EXPECT_EQ(hiddenFields(details), c.hidden);
        for (auto it = c.stored.cbegin(); it != c.stored.cend(); ++it)
            EXPECT_EQ(h.action(it.key())->isChecked(), it.value() == "yes") << it.key().toStdString();
    }
}

TEST_F(SalesDetailsHidingTest, ShowAllShowsEveryColumnButTheOrderNumberAndTouchesNoTick)
{
    start();
    for (const char *setting : {"xiaoshouyin1", "xiaoshouyin2", "xiaoshouyin3", "xiaoshouyin4", "xiaoshouyin5"})
        hiding->action(setting)->trigger();
    grid.lockHidden({"a5"}); // a restricted user's profit column
    const QString settingsBefore = QString::fromUtf8([&] {
        QFile f(shop.settings.fileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());

    hiding->showAll();
    EXPECT_EQ(hiddenFields(grid), QStringList({"a5", "z"}));
    EXPECT_EQ(tickedItems(&menu), QStringList({"隐藏销售单价", "隐藏销售日期", "隐藏欠款", "隐藏净利润", "隐藏全部客户信息"}));
    QFile after(shop.settings.fileName());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(after.readAll()), settingsBefore);

    // With the order number shown, it stays shown.
    hiding->action("xiaoshouyin6")->trigger();
    hiding->showAll();
    EXPECT_FALSE(grid.isFieldHidden("z"));
}

} // namespace
