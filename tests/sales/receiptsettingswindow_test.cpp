#include "sales/receiptsettingswindow.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "support/testapp.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

int openSettingsWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<ReceiptSettingsWindow *>(widget) && widget->isVisible();
    return count;
}

void clickSave(ReceiptSettingsWindow &window)
{
    window.findChild<QPushButton *>(QStringLiteral("saveButton"))->click();
}

} // namespace

TEST(ReceiptSettingsWindow, NothingStoredShowsTheDefaults)
{
    TestShop shop;
    ReceiptSettingsWindow &window = *(shop.windows(), shop.windowSet().receiptSettings);
    EXPECT_EQ(window.text(QStringLiteral("pos1")), QStringLiteral("POS小票销售单"));
    EXPECT_EQ(window.text(QStringLiteral("pos4")), QStringLiteral("欢迎下次惠顾！"));
    EXPECT_EQ(window.text(QStringLiteral("dan1")), QStringLiteral("Velmora软件销售单"));
    EXPECT_EQ(window.text(QStringLiteral("company")), QStringLiteral("Velmora软件"));
    EXPECT_EQ(ReceiptSettingsWindow::names().size(), 9);
    for (const QString &name : ReceiptSettingsWindow::names())
        EXPECT_FALSE(window.text(name).isEmpty()) << name.toStdString();
}

TEST(ReceiptSettingsWindow, StartUpLoadsStoredTextsOnlyWhenATitleIsStored)
{
    struct Case {
        QString pos1;
        QString expectedTitle;
        QString expectedSlogan; // pos2 is not stored
    };
    const Case cases[] = {
        {QStringLiteral("本店小票"), QStringLiteral("本店小票"), QString()},
        {QString(), QStringLiteral("POS小票销售单"), QStringLiteral("Tolvane进销存软件提供技术支持")},
    };
    for (const Case &c : cases) {
        TestShop shop;
        shop.settings.write(QStringLiteral("pos1"), c.pos1);
        shop.settings.write(QStringLiteral("pos4"), QStringLiteral("再见"));
        shop.windows();
        const ReceiptSettingsWindow &window = *shop.windowSet().receiptSettings;
        EXPECT_EQ(window.text(QStringLiteral("pos1")), c.expectedTitle);
        EXPECT_EQ(window.text(QStringLiteral("pos2")), c.expectedSlogan);
        EXPECT_EQ(window.text(QStringLiteral("pos4")),
                  c.pos1.isEmpty() ? QStringLiteral("欢迎下次惠顾！") : QStringLiteral("再见"));
    }
}

TEST(ReceiptSettingsWindow, SaveWritesAllNineAndTheNextStartReadsThem)
{
    TestShop shop;
    shop.windows();
    ReceiptSettingsWindow &window = *shop.windowSet().receiptSettings;
    window.show();
    for (const QString &name : ReceiptSettingsWindow::names())
        window.setText(name, name + QStringLiteral("：'新'"));
    window.setText(QStringLiteral("dan3"), QString());
    clickSave(window);

    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("已保存成功！")});
    EXPECT_FALSE(window.isVisible());
    for (const QString &name : ReceiptSettingsWindow::names())
        EXPECT_EQ(shop.settings.read(name), window.text(name)) << name.toStdString();

    ReceiptSettingsWindow restarted(shop.ctx);
    restarted.loadFromSettings();
    for (const QString &name : ReceiptSettingsWindow::names())
        EXPECT_EQ(restarted.text(name), window.text(name)) << name.toStdString();

    // An empty title is stored as it is; the next start then shows the defaults again.
    window.setText(QStringLiteral("pos1"), QString());
    clickSave(window);
    EXPECT_EQ(shop.settings.read(QStringLiteral("pos1")), QString());
    ReceiptSettingsWindow again(shop.ctx);
    again.loadFromSettings();
    EXPECT_EQ(again.text(QStringLiteral("pos1")), QStringLiteral("POS小票销售单"));
    EXPECT_EQ(again.text(QStringLiteral("dan3")), ReceiptSettingsWindow::defaultText(QStringLiteral("dan3")));
}

TEST(ReceiptSettingsWindow, SaveThatCannotWriteSaysSoAndKeepsTheTexts)
{
    TestShop shop;
    shop.windows();
    QFile blocker(shop.path(QStringLiteral("config"))); // a file where the settings folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ReceiptSettingsWindow &window = *shop.windowSet().receiptSettings;
    window.show();
    window.setText(QStringLiteral("pos1"), QStringLiteral("新标题"));
    clickSave(window);
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.text(QStringLiteral("pos1")), QStringLiteral("新标题"));
}

TEST(ReceiptSettingsWindow, BothPrintSettingsItemsShowTheOneWindow)
{
    TestShop shop;
    MainWindow &main = shop.windows();
    ReceiptSettingsWindow *window = shop.windowSet().receiptSettings;
    window->setText(QStringLiteral("pos4"), QStringLiteral("编辑中"));
    main.actions().settingsPrint->trigger();
    EXPECT_TRUE(window->isVisible());
    main.actions().printSettings->trigger();
    EXPECT_EQ(openSettingsWindows(), 1);
    // Closing without saving keeps the edited text for this run.
    window->close();
    main.actions().settingsPrint->trigger();
    EXPECT_EQ(window->text(QStringLiteral("pos4")), QStringLiteral("编辑中"));
    EXPECT_TRUE(window->isVisible());
}

// The choice of printer is saved with the texts and read at the next start, whether or not a
// receipt title is stored; a receipt printer without a device or an address is not saved.
TEST(ReceiptSettingsWindow, PrinterChoiceIsSavedAndReadAgain)
{
    TestShop shop;
    shop.windows();
    ReceiptSettingsWindow &window = *shop.windowSet().receiptSettings;
    EXPECT_EQ(window.text(QStringLiteral("posprinter")), QStringLiteral("system"));
    window.show();
    const std::pair<const char *, const char *> choice[] = {
        {"posprinter", "thermal"}, {"posport", "network"}, {"poshost", "192.168.1.80"}, {"posportno", "9101"},
        {"poswidth", "80"},        {"posdrawer", "yes"},   {"posbaud", "115200"},       {"posdevice", "/dev/ttyUSB0"},
    };
    for (auto [name, value] : choice)
        window.setText(QString::fromLatin1(name), QString::fromLatin1(value));
    window.setText(QStringLiteral("pos1"), QString());
    clickSave(window);
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("已保存成功！")});

    ReceiptSettingsWindow restarted(shop.ctx);
    restarted.loadFromSettings();
    for (auto [name, value] : choice)
        EXPECT_EQ(restarted.text(QString::fromLatin1(name)), QString::fromLatin1(value)) << name;

    struct Refusal {
        const char *port;
        const char *emptied;
        QString message;
    };
    const Refusal refusals[] = {
        {"network", "poshost", QStringLiteral("请填写网络打印机的地址")},
        {"usb", "posdevice", QStringLiteral("请填写小票打印机的设备，例如 /dev/usb/lp0")},
        {"serial", "posdevice", QStringLiteral("请填写小票打印机的设备，例如 /dev/usb/lp0")},
    };
    for (const Refusal &r : refusals) {
        shop.messages.clear();
        restarted.show();
        restarted.setText(QStringLiteral("posport"), QString::fromLatin1(r.port));
        restarted.setText(QString::fromLatin1(r.emptied), QString());
        clickSave(restarted);
        EXPECT_EQ(shop.messages.texts(), QStringList{r.message}) << r.port;
        EXPECT_TRUE(restarted.isVisible());
        EXPECT_EQ(shop.settings.read(QStringLiteral("posport")), QStringLiteral("network")) << r.port;
        restarted.setText(QString::fromLatin1(r.emptied), QStringLiteral("filled"));
    }
}
