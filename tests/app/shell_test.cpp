#include "app/aboutbox.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "app/skins.h"
#include "app/toolbaricons.h"
#include "app/windowset.h"
#include "common/version.h"
#include "sales/checkoutpanel.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/excelimportwindow.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockinpanel.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "users/logindialog.h"
#include "widgets/dateedit.h"
#include "widgets/datasetmodel.h"
#include "widgets/grid.h"
#include "widgets/gridfooter.h"
#include "widgets/groupedheader.h"
#include "widgets/successprompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The skin is the application's palette: every test leaves the built-in look behind it.
struct BuiltInLookAfterwards {
    ~BuiltInLookAfterwards() { skins::apply(-1); }
};

// A menu as a person reads it: "-" a separator, "text|shortcut", "text>" a submenu, "(text)" hidden.
QStringList entries(const QMenu *menu)
{
    QStringList list;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator()) {
            list << QStringLiteral("-");
            continue;
        }
        QString e = a->text();
        if (!a->shortcut().isEmpty())
            e += QLatin1Char('|') + a->shortcut().toString(QKeySequence::PortableText);
        if (a->menu())
            e += QLatin1Char('>');
        if (!a->isVisible())
            e = QLatin1Char('(') + e + QLatin1Char(')');
        list << e;
    }
    return list;
}

// Runs `open`; if it brings up a modal window, that window is closed again at once. Returns the
// modal window, or null when `open` returned without one.
QWidget *openedModally(const std::function<void()> &open)
{
    QPointer<QWidget> modal;
    QTimer::singleShot(0, [&] {
        modal = QApplication::activeModalWidget();
        if (modal)
            modal->close();
    });
    open();
    QCoreApplication::processEvents();
    return modal;
}

// Makes the settings folder a file, so neither settings nor layouts can be written.
void blockConfigFolder(TestShop &shop)
{
    QDir(shop.path("config")).removeRecursively();
    QFile blocker(shop.path("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
}

TEST(ShellMenus, ItemsInTheirOrderWithShortcutsAndSeparators)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    EXPECT_EQ(entries(main.gridMenu()),
              (QStringList{"新建入库", "Excel导入", "修 改", "删 除", "全部记录", "-", "导出Excel|Ctrl+E", "打 印|Ctrl+D",
                           "打印条码标签", "销售明细", "汇总统计|Ctrl+H", "-", "隐藏列>", "(读取列宽)", "保存当前列宽", "-", "销售单(小票)打印",
                           "打印设置"}));
    EXPECT_EQ(entries(main.settingsMenu()),
              (QStringList{"打印设置", "打开钱箱", "钱箱记录", "修改密码", "用户管理", "-", "数据库连接", "迁移到服务器", "导出到数据文件", "-",
                           "界面换肤>", "计算器", "记事本"}));
    // A shop in a file moves to a server; only a shop on a server is exported into a file.
    EXPECT_TRUE(main.actions().migrateToServer->isEnabled());
    EXPECT_FALSE(main.actions().exportToFile->isEnabled());
    EXPECT_EQ(entries(main.actions().skins),
              (QStringList{"黑色经典(皮肤)", "蓝色幻想(皮肤)", "梦幻天空(皮肤)", "黑色遐想(皮肤)", "梦想成真(皮肤)"}));
    EXPECT_EQ(entries(main.supportMenu()),
              (QStringList{"使用帮助", "软件升级", "官方网站", QString::fromUtf8(version::kContact), "关于..."}));
}

TEST(ShellMenus, TheGridMenusShortcutsWorkFromTheMainWindow)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.show();
    QApplication::setActiveWindow(&main);
    const MainActions &a = main.actions();
    for (QAction *action : {a.exportExcel, a.print}) {
        QSignalSpy fired(action, &QAction::triggered);
        QTest::keySequence(&main, action->shortcut());
        EXPECT_EQ(fired.count(), 1) << action->text().toStdString();
    }
    // Ctrl+H opens the summary beside the main window, not over it.
    EXPECT_EQ(openedModally([&] { QTest::keyClick(&main, Qt::Key_H, Qt::ControlModifier); }), nullptr);
    EXPECT_TRUE(shop.windowSet().inventorySummary->isVisible());
    shop.windowSet().inventorySummary->hide();
}

TEST(ShellToolbar, SevenButtonsWithThemeIconsAboveTheirCaptions)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.show();
    const MainToolbar &t = main.toolbar();
    const QToolButton *buttons[] = {t.newStockIn, t.salesDetails, t.checkout, t.summary, t.backup, t.settings, t.support};
    const char *captions[] = {"新建入库", "销售明细", "单据打印", "汇总统计", "数据备份", "设 置", "技术支持"};
    int left = -1;
    for (int i = 0; i < 7; ++i) {
        const QToolButton *b = buttons[i];
        SCOPED_TRACE(captions[i]);
        EXPECT_EQ(b->text(), QString::fromUtf8(captions[i]));
        EXPECT_GT(b->x(), left) << "left to right";
        left = b->x();
        EXPECT_EQ(b->size(), QSize(55, 51));
        EXPECT_EQ(b->iconSize(), QSize(32, 32));
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(b->icon().pixmap(32).isNull());
        // The freedesktop theme installed with the program has every one of them.
        EXPECT_FALSE(b->icon().name().isEmpty()) << "not from the icon theme " << QIcon::themeName().toStdString();
        EXPECT_FALSE(b->toolTip().isEmpty()) << "the hint in the status bar";
    }
}

TEST(ToolbarIcons, TheProgramsOwnDrawingsStandInForIconsTheThemeLacks)
{
    for (const char *drawing : {"stockin", "salesdetails", "receipt", "summary", "backup", "settings", "support"}) {
        SCOPED_TRACE(drawing);
        const QIcon icon = toolbaricons::icon(QStringLiteral("tolvane-no-such-icon"),
                                              QStringLiteral(":/toolbar/%1.svg").arg(QLatin1String(drawing)));
        const QImage image = icon.pixmap(32).toImage();
        ASSERT_FALSE(image.isNull()) << "the drawing is in the resources and can be drawn";
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(painted, 200) << "a picture, not an empty square";
    }
}

TEST(ShellToolbar, SettingsAndSupportDropTheirMenuBelowTheButton)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.show();
    const std::pair<QToolButton *, QMenu *> drops[] = {{main.toolbar().settings, main.settingsMenu()},
                                                       {main.toolbar().support, main.supportMenu()}};
    for (const auto &[button, menu] : drops) {
        SCOPED_TRACE(button->text().toStdString());
        // Room below the button on the small offscreen screen.
        main.move(main.pos() + QPoint(10, 10) - button->mapToGlobal(QPoint(0, 0)));
        button->click();
        EXPECT_TRUE(menu->isVisible());
        EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
        menu->close();
    }
}

// How each command opens its window: over the main window until closed, or beside it.
TEST(ShellOpenings, ModalAndModelessAsEachCommandWants)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    WindowSet &w = shop.windowSet();
    const MainActions &a = main.actions();
    const MainToolbar &t = main.toolbar();
    const struct {
        const char *command;
        std::function<void()> trigger;
        QWidget *window;
        bool modal;
    } cases[] = {
        {"toolbar 销售明细", [&] { t.salesDetails->click(); }, w.salesDetails, true},
        {"grid menu 销售明细", [&] { a.salesDetails->trigger(); }, w.salesDetails, true},
        {"toolbar 汇总统计", [&] { t.summary->click(); }, w.inventorySummary, true},
        {"grid menu 汇总统计", [&] { a.summary->trigger(); }, w.inventorySummary, false},
        {"关于...", [&] { a.about->trigger(); }, w.about, true},
        {"使用帮助", [&] { a.help->trigger(); }, w.help, false},
        {"settings menu 打印设置", [&] { a.settingsPrint->trigger(); }, w.receiptSettings, false},
        {"grid menu 打印设置", [&] { a.printSettings->trigger(); }, w.receiptSettings, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        QWidget *modal = openedModally(c.trigger);
        if (c.modal) {
            EXPECT_EQ(modal, c.window);
            EXPECT_FALSE(c.window->isVisible()) << "closed again";
        } else {
            EXPECT_EQ(modal, nullptr);
            EXPECT_TRUE(c.window->isVisible());
            c.window->hide();
        }
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

TEST(ShellOpenings, NeitherFloatingPanelIsLeftWhenTheSalesDetailsClose)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.show();
    const std::function<void()> openings[] = {[&] { main.toolbar().salesDetails->click(); },
                                              [&] { main.actions().salesDetails->trigger(); }};
    for (const auto &open : openings) {
        main.stockInPanel()->show();
        main.salePanel()->show();
        EXPECT_EQ(openedModally(open), shop.windowSet().salesDetails);
        EXPECT_FALSE(main.stockInPanel()->isVisible());
        EXPECT_FALSE(main.salePanel()->isVisible());
    }
}

TEST(ShellOpenings, TheReceiptCommandsShowAndHideTheCheckout)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    main.show();
    CheckoutPanel *checkout = main.checkoutPanel();
    main.toolbar().checkout->click();
    EXPECT_TRUE(checkout->isVisible());
    main.actions().receiptPrint->trigger();
    EXPECT_FALSE(checkout->isVisible());
    main.actions().receiptPrint->trigger();
    EXPECT_TRUE(checkout->isVisible());
    main.toolbar().checkout->click();
    EXPECT_FALSE(checkout->isVisible());
}

// The calculator, the text editor and the web site are the desktop's business: when it cannot
// help, the person is told what is missing (a command that does nothing looks broken).
TEST(SupportCommands, ExternalToolsAndTheWebsiteGoToTheDesktopAndSayWhatIsMissing)
{
    for (const bool desktopWorks : {true, false}) {
        SCOPED_TRACE(desktopWorks ? "desktop works" : "nothing installed");
        TestShop shop;
        shop.desktop.works = desktopWorks;
        MainWindow &main = shop.windows();
        const MainActions &a = main.actions();
        a.calculator->trigger();
        a.notepad->trigger();
        a.website->trigger();
        ASSERT_EQ(shop.desktop.started.size(), 2);
        EXPECT_TRUE(shop.desktop.started[0].contains(QStringLiteral("gnome-calculator")));
        EXPECT_TRUE(shop.desktop.started[1].contains(QStringLiteral("gedit")));
        EXPECT_EQ(shop.desktop.opened, QList<QUrl>{QUrl(QString::fromUtf8(version::kWebAddress))});
        if (desktopWorks) {
            EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
        } else {
            ASSERT_EQ(shop.messages.boxes.size(), 3);
            EXPECT_TRUE(shop.messages.boxes[0].text.contains(QStringLiteral("没有找到计算器")));
            EXPECT_TRUE(shop.messages.boxes[1].text.contains(QStringLiteral("没有找到记事本")));
            EXPECT_TRUE(shop.messages.boxes[2].text.contains(QString::fromUtf8(version::kWebAddress)));
        }
    }
}

TEST(SupportCommands, UpgradeShowsTheInstalledVersionAndWhereNewerOnesAre)
{
    for (const bool openSite : {false, true}) {
        TestShop shop;
        MainWindow &main = shop.windows();
        shop.messages.answers.enqueue(openSite);
        main.actions().upgrade->trigger();
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        const RecordingMessages::Box &box = shop.messages.boxes.first();
        EXPECT_EQ(box.kind, RecordingMessages::Kind::YesNo);
        EXPECT_EQ(box.title, QStringLiteral("软件升级"));
        EXPECT_TRUE(box.text.contains(QString::fromUtf8(version::kVersion)));
        EXPECT_TRUE(box.text.contains(QString::fromUtf8(version::kWebAddress)));
        EXPECT_EQ(shop.desktop.opened.size(), openSite ? 1 : 0) << "the site only when asked for";
        EXPECT_TRUE(shop.desktop.started.isEmpty());
    }
}

TEST(ShellPeriphery, HelpAndAboutTellAboutThisProgram)
{
    TestShop shop;
    shop.windows();
    WindowSet &w = shop.windowSet();
    EXPECT_EQ(w.help->windowTitle(), QStringLiteral("使用帮助"));
    const auto *page = w.help->findChild<QTextEdit *>(QStringLiteral("quickStart"));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isReadOnly());
    for (const char *hint : {"927", "新建入库", "拼音首字母", "销售确认", "单据打印", "保存当前列宽", "数据备份"})
        EXPECT_TRUE(page->toPlainText().contains(QString::fromUtf8(hint))) << hint;
    EXPECT_EQ(w.about->windowTitle(), QStringLiteral("关于软件..."));
    const QString about = w.about->findChild<QLabel *>(QStringLiteral("aboutText"))->text();
    for (const char *line : {version::kTitle, version::kVersion, version::kWebAddress, version::kContact})
        EXPECT_TRUE(about.contains(QString::fromUtf8(line))) << line;
}

TEST(Skins, ChoosingASkinRecoloursEveryWindowAtOnceAndIsStoredAndTicked)
{
    BuiltInLookAfterwards restore;
    TestShop shop;
    MainWindow &main = shop.windows();
    WindowSet &w = shop.windowSet();
    w.help->show();
    const QList<QAction *> items = main.actions().skins->actions();
    EXPECT_TRUE(std::none_of(items.begin(), items.end(), [](QAction *i) { return i->isChecked(); }))
        << "the built-in look has no item";
    QList<QColor> seen;
    for (const int skin : {0, 3, 1, 4, 2}) {
        SCOPED_TRACE(skin);
        items[skin]->trigger();
        EXPECT_EQ(shop.settings.read(QStringLiteral("skin")), QString::number(skin));
        for (int i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i]->isChecked(), i == skin);
        const QColor window = QApplication::palette().color(QPalette::Window);
        EXPECT_FALSE(seen.contains(window)) << "every skin has its own colours";
        seen << window;
        for (QWidget *top : {static_cast<QWidget *>(&main), static_cast<QWidget *>(w.help),
                             static_cast<QWidget *>(w.about), static_cast<QWidget *>(w.login),
                             static_cast<QWidget *>(w.salesDetails), static_cast<QWidget *>(w.inventorySummary),
                             static_cast<QWidget *>(w.receiptSettings)})
            EXPECT_EQ(top->palette().color(QPalette::Window), window) << top->objectName().toStdString();
    }
}

// WCAG contrast ratio of two colours.
double contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(Skins, EveryFieldAndTheLoginStayReadableInEverySkin)
{
    BuiltInLookAfterwards restore;
    TestShop shop;
    MainWindow &main = shop.windows();
    main.salePanel()->saleDateField()->setReadOnly(true); // as for a user other than the superadministrator
    LoginDialog *login = shop.windowSet().login;
    const QList<QAction *> items = main.actions().skins->actions();
    for (int skin = 0; skin < items.size(); ++skin) {
        SCOPED_TRACE(items[skin]->text().toStdString());
        items[skin]->trigger();
        for (QWidget *top : QApplication::topLevelWidgets()) {
            for (const QLineEdit *field : top->findChildren<QLineEdit *>()) {
                if (!field->isEnabled())
                    continue;
                const QPalette &p = field->palette();
                EXPECT_GE(contrast(p.color(QPalette::Text), p.color(QPalette::Base)), 4.5)
                    << top->objectName().toStdString() << " / " << field->objectName().toStdString()
                    << (field->isReadOnly() ? " (read-only)" : "");
            }
        }
        // The login paints its own light background: the ink of its labels must be dark on it.
        const QImage shot = login->grab().toImage();
        for (const QLabel *label : login->findChildren<QLabel *>()) {
            int darkest = 255;
            const QRect area = label->geometry() & shot.rect();
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    darkest = std::min(darkest, qGray(shot.pixel(x, y)));
            EXPECT_LT(darkest, 110) << label->text().toStdString();
        }
    }
}

// Grids with colours of their own (the sales details' titles, rows and footer) and the coloured
// notes of the windows keep their text readable on a dark skin as on a light one.
TEST(Skins, EveryGridAndNoteStaysReadableInEverySkin)
{
    BuiltInLookAfterwards restore;
    TestShop shop;
    shop.addStockRow({{"a", "衬衫"}, {"2", 1}, {"7", 0}, {"day1", "2014-07-01"}}); // below the alarm number
    shop.addStockRow({{"a", "长裤"}, {"2", 30}, {"7", 30}, {"day1", "2014-07-01"}});
    shop.exec("insert into data1 (a, [3], [2], [4], day1, z) values ('衬衫', -1, 50, -50, '2014-07-10', '20140710100')");
    shop.exec("insert into data1 (a, [3], [2], [4], day1, z) values ('长裤', 2, 80, 160, '2014-07-11', '20140711100')");
    MainWindow &main = shop.windows();
    shop.logIn();
    main.show();
    main.findChild<QLineEdit *>("alarmNumber")->setText("5");
    main.actions().allRecords->trigger();
    WindowSet &w = shop.windowSet();
    w.salesDetails->show();
    w.inventorySummary->show();
    const QList<QWidget *> windows{&main, static_cast<QWidget *>(w.salesDetails),
                                   static_cast<QWidget *>(w.inventorySummary), static_cast<QWidget *>(w.excelImport),
                                   static_cast<QWidget *>(w.receiptSettings)};

    const QList<QAction *> items = main.actions().skins->actions();
    for (int skin = 0; skin < items.size(); ++skin) {
        SCOPED_TRACE(items[skin]->text().toStdString());
        items[skin]->trigger();
        int markedRows = 0;
        QSet<const Grid *> grids;
        QSet<const QLabel *> labels;
        for (QWidget *window : windows) {
            for (const Grid *grid : window->findChildren<Grid *>())
                grids << grid;
            for (const QLabel *label : window->findChildren<QLabel *>()) {
                // The login paints its own light background, checked above; a strip with a
                // background of its own likewise.
                if (!qobject_cast<LoginDialog *>(label->window()) && !label->styleSheet().contains("background"))
                    labels << label;
            }
        }
        for (const Grid *grid : std::as_const(grids)) {
            const std::string name = grid->objectName().toStdString();
            const QPalette &rows = grid->view()->palette();
            for (QPalette::ColorRole background : {QPalette::Base, QPalette::AlternateBase})
                EXPECT_GE(contrast(rows.color(QPalette::Text), rows.color(background)), 4.5) << name;
            const QPalette &titles = grid->header()->palette();
            EXPECT_GE(contrast(titles.color(QPalette::ButtonText), titles.color(QPalette::Button)), 4.5) << name;
            const QPalette &footer = grid->footer()->palette();
            EXPECT_GE(contrast(footer.color(QPalette::WindowText), footer.color(QPalette::Window)), 4.5) << name;
            // Rows drawn red (low stock, returns): the red of the mark, readable on the rows.
            for (int row = 0; row < grid->model()->rowCount(); ++row) {
                const QVariant mark = grid->model()->index(row, 0).data(Qt::ForegroundRole);
                if (!mark.value<QColor>().isValid())
                    continue;
                ++markedRows;
                EXPECT_GE(contrast(mark.value<QColor>(), rows.color(QPalette::Base)), 3.0) << name;
            }
        }
        for (const QLabel *label : std::as_const(labels)) {
            const QPalette &p = label->palette();
            EXPECT_GE(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 4.5)
                << label->window()->objectName().toStdString() << " / " << label->text().toStdString();
        }
        EXPECT_EQ(markedRows, 2) << "the low stock row and the return";
    }
}

TEST(Skins, TheChosenSkinComesBackAfterARestart)
{
    BuiltInLookAfterwards restore;
    QByteArray stored;
    QColor chosenWindow;
    {
        TestShop before;
        before.windows().actions().skins->actions().at(3)->trigger();
        chosenWindow = QApplication::palette().color(QPalette::Window);
        QFile file(before.settings.fileName());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        stored = file.readAll();
        before.windowSet().main->close();
    }
    skins::apply(-1);
    const QColor builtIn = QApplication::palette().color(QPalette::Window);
    ASSERT_NE(builtIn, chosenWindow);

    TestShop after;
    ASSERT_TRUE(QDir().mkpath(after.path("config")));
    QFile file(after.settings.fileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(stored), stored.size());
    file.close();
    MainWindow &main = after.windows();
    EXPECT_EQ(skins::current(), 3);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), chosenWindow);
    EXPECT_TRUE(main.actions().skins->actions().at(3)->isChecked());
}

TEST(GridLayoutCommands, SavedWidthsComeBackThroughTheHiddenItem)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    QHeaderView *header = main.stockQuery()->grid()->horizontalHeader();
    header->resizeSection(0, 177);
    main.actions().saveLayout->trigger();
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_FALSE(main.successPrompt()->isHidden());
    EXPECT_EQ(main.successPrompt()->text(), QStringLiteral("当前列宽已保存..."));
    header->resizeSection(0, 60);
    main.actions().loadLayout->trigger();
    EXPECT_EQ(header->sectionSize(0), 177);
}

TEST(GridLayoutCommands, ALayoutThatCannotBeWrittenIsReportedNotPromptedAsSaved)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    blockConfigFolder(shop);
    main.actions().saveLayout->trigger();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(shop.messages.lastText().contains(QStringLiteral("qovel.ini"))) << shop.messages.lastText().toStdString();
    EXPECT_TRUE(main.successPrompt()->isHidden());
}

} // namespace
