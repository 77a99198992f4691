#include "app/mainwindow.h"
#include "common/layoutstore.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "widgets/grid.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

QAction *item(const QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

QStringList hiddenOf(const Grid &grid, const QStringList &fields)
{
    QStringList hidden;
    for (const QString &field : fields) {
        if (grid.isFieldHidden(field))
            hidden << field;
    }
    return hidden;
}

// A clerk's "保存当前列宽" keeps what the clerk chose and what the owner's options hide, never the
// cost columns the clerk's restriction hides; the owner's next login shows what the owner chose.
TEST(RestrictedLayout, AClerksSavedLayoutNeverCarriesTheRestriction)
{
    const QStringList costs = {"1", "3", "6", "8", "day1"};
    const struct {
        const char *what;
        QMap<QString, QString> ownerOptions; // stored by the owner before the clerk's run
        const char *clerkClicks;             // an option the clerk ticks, or none
        QStringList hiddenForClerk;
        QStringList savedHidden;             // as the layout file records them
        QStringList hiddenForOwner;          // at the owner's next login
    } cases[] = {
        {"nothing chosen", {}, nullptr, {"1", "3", "8"}, {}, {}},
        {"the clerk hides the date", {}, "隐藏日期", {"1", "3", "8", "day1"}, {"day1"}, {"day1"}},
        {"the owner hid the purchase price", {{"rukuyin1", "yes"}}, nullptr, {"1", "3", "8"}, {"1"}, {"1"}},
        {"the owner hid the amounts", {{"rukuyin2", "yes"}}, nullptr, {"1", "3", "6", "8"}, {"3", "6", "8"},
         {"3", "6", "8"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TestShop clerkRun;
        for (auto it = c.ownerOptions.cbegin(); it != c.ownerOptions.cend(); ++it)
            ASSERT_TRUE(clerkRun.settings.write(it.key(), it.value()));
        {
            MainWindow &main = clerkRun.windows();
            clerkRun.logInThroughWindow(QStringLiteral("店员"));
            ASSERT_EQ(clerkRun.ctx.session.userName, "店员");
            if (c.clerkClicks)
                item(main.actions().hideColumns, QString::fromUtf8(c.clerkClicks))->trigger();
            const Grid &grid = *main.stockQuery()->gridWidget();
            EXPECT_EQ(hiddenOf(grid, costs), c.hiddenForClerk);
            main.actions().saveLayout->trigger();
        }
        QStringList saved;
        const GridLayout layout = clerkRun.layouts.load(QLatin1String(LayoutStore::kMainGridSection));
        for (const QString &field : costs) {
            if (!layout.columns.value(field).visible)
                saved << field;
        }
        EXPECT_EQ(saved, c.savedHidden);

        TestShop ownerRun(clerkRun.configFolder);
        MainWindow &main = ownerRun.windows();
        ownerRun.logInThroughWindow();
        const Grid &grid = *main.stockQuery()->gridWidget();
        EXPECT_EQ(hiddenOf(grid, costs), c.hiddenForOwner);
        // Whatever is hidden, its option shows it again.
        for (QAction *option : main.actions().hideColumns->actions()) {
            if (option->isChecked())
                option->trigger();
        }
        EXPECT_EQ(hiddenOf(grid, costs), QStringList());
    }
}

} // namespace
