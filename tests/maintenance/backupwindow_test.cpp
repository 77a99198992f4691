#include "app/mainwindow.h"
#include "common/shopevents.h"
#include "maintenance/automaticbackups.h"
#include "maintenance/backupwindow.h"
#include "maintenance/backupwindowfixture.h"
#include "maintenance/databasefilecheck.h"
#include "maintenance/shopfiles.h"
#include "sales/salepanel.h"
#include "stock/stockqueryview.h"
#include "support/clicks.h"
#include "support/testapp.h"
#include "support/toplevel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace shopfiles;

namespace {

const QString kBackupDone = QStringLiteral("数据库备份成功！");
const QString kBackupFailed = QStringLiteral("数据库备份失败！");
const QString kRestoreFailed = QStringLiteral("数据库恢复失败！");

class BackupWindowTest : public BackupWindowFixture {
protected:
    BackupWindowTest() : BackupWindowFixture(std::make_unique<TestShop>()) {}
    void SetUp() override
    {
        QObject::connect(&shop.events, &ShopEvents::databaseReopened, [this] { ++reopened; });
        BackupWindowFixture::SetUp();
    }
    void backUpTo(const QString &path)
    {
        window->backupPathField()->setText(path);
        shop.messages.clear();
        button("backupButton")->click();
    }
    void restoreFrom(const QString &path)
    {
        window->restoreFileField()->setText(path);
        shop.messages.clear();
        button("restoreButton")->click();
    }
    QString database() const { return shop.path(QStringLiteral("data.db")); }

    int reopened = 0;
};

TEST_F(BackupWindowTest, WhileOpenTheConnectionIsClosedAndTheMainWindowHidden)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("数据库备份"));
    EXPECT_EQ(window->objectName(), QStringLiteral("Trepair"));
    // Everything in view at once, the restore and the automatic backups too.
    for (QWidget *part : {static_cast<QWidget *>(button("restoreButton")), static_cast<QWidget *>(window->automaticBackupList())}) {
        const QRect inWindow(part->mapTo(window, QPoint(0, 0)), part->size());
        EXPECT_TRUE(window->rect().contains(inWindow)) << part->objectName().toStdString();
        EXPECT_FALSE(part->visibleRegion().isEmpty()) << part->objectName().toStdString();
    }
    // A restore looks where a backup goes: the default of both is one file.
    EXPECT_EQ(window->backupPathField()->text(), QDir::home().filePath(QStringLiteral("beifen.db")));
    EXPECT_EQ(window->restoreFileField()->text(), window->backupPathField()->text());
    EXPECT_FALSE(shop.db.isOpen());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed()) << "a message box closing must not end the program";
    main->toolbar().backup->click();
    EXPECT_EQ(windowCount<BackupWindow>(), 1);

    // The grid lists the rows the file holds once the window has closed.
    shop.db.open();
    shop.exec(QStringLiteral("insert into data (a, [2], [7]) values ('外套', 1, 1)"));
    shop.db.close();
    closeWindow();
    EXPECT_TRUE(shop.db.isOpen());
    EXPECT_TRUE(shop.data.stockTable.isOpen() && shop.data.salesTable.isOpen());
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 2);
    EXPECT_EQ(windowCount<BackupWindow>(), 0);
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

// Windows opened before would fail with "数据库没有打开" while the file is copied: they close.
// (The sales details are modal: nothing else is clicked while they show.)
TEST_F(BackupWindowTest, WindowsOpenedBeforeCloseWhileTheDatabaseIsClosed)
{
    closeWindow();
    main->actions().summary->trigger(); // beside the main window, not modal
    main->actions().userManagement->trigger();
    QList<QWidget *> others;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top != main)
            others << top;
    }
    ASSERT_GE(others.size(), 2);
    open();
    for (QWidget *other : others)
        EXPECT_FALSE(other->isVisible()) << other->objectName().toStdString();
    EXPECT_TRUE(window->isVisible());
}

// A clerk may back up but cannot put an older file in the shop's place.
TEST_F(BackupWindowTest, OnlyTheSuperadministratorRestores)
{
    closeWindow();
    makeShop(shop.path(QStringLiteral("old.db")), 3);
    shop.ctx.session.userName = QStringLiteral("店员");
    open();
    const QByteArray current = bytesOf(database());
    EXPECT_TRUE(button("backupButton")->isEnabled());
    EXPECT_FALSE(button("restoreButton")->isEnabled());
    EXPECT_FALSE(window->automaticBackupList()->isEnabled());
    window->restoreFileField()->setText(shop.path(QStringLiteral("old.db")));
    window->restore(); // however it is reached
    EXPECT_EQ(shop.messages.lastText(), QStringLiteral("只有超级管理员可以恢复数据库。"));
    EXPECT_EQ(bytesOf(database()), current);
    backUpTo(shop.path(QStringLiteral("clerk.db")));
    EXPECT_EQ(shop.messages.lastText(), kBackupDone);
}

TEST_F(BackupWindowTest, TheBackupPathIsStoredAtEveryChangeAndShownNextTime)
{
    window->backupPathField()->setText(shop.path(QStringLiteral("u盘/beifen.db")));
    EXPECT_EQ(shop.settings.read(QStringLiteral("save")), shop.path(QStringLiteral("u盘/beifen.db")));
    QLabel *link = window->findChild<QLabel *>(QStringLiteral("defaultLink"));
    ASSERT_TRUE(link);
    emit link->linkActivated(QStringLiteral("default"));
    EXPECT_EQ(window->backupPathField()->text(), BackupWindow::defaultBackupPath());
    EXPECT_EQ(shop.settings.read(QStringLiteral("save")), BackupWindow::defaultBackupPath());

    shop.settings.write(QStringLiteral("save"), QStringLiteral("备份到这里.db"));
    closeWindow();
    open();
    EXPECT_EQ(window->backupPathField()->text(), QStringLiteral("备份到这里.db"));
}

TEST_F(BackupWindowTest, ABackupIsAWholeDatabaseAndAnOlderOneIsReplacedOnlyWhenAllowed)
{
    const QString target = shop.path(QStringLiteral("u盘/beifen.db"));
    backUpTo(target);
    EXPECT_EQ(shop.messages.texts(), QStringList{kBackupDone});
    EXPECT_EQ(databasefilecheck::problem(target), QString());
    EXPECT_EQ(stockRows(target), 1);

    // A relative name lies beside the database.
    backUpTo(QStringLiteral("beifen2.db"));
    EXPECT_EQ(shop.messages.texts(), QStringList{kBackupDone});
    EXPECT_EQ(stockRows(shop.path(QStringLiteral("beifen2.db"))), 1);

    writeBytes(target, "an older backup");
    shop.messages.answers.enqueue(false);
    backUpTo(target);
    ASSERT_EQ(shop.messages.boxes.size(), 2);
    EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::YesNo);
    EXPECT_TRUE(shop.messages.boxes[0].text.contains(QStringLiteral("已经存在")));
    EXPECT_EQ(shop.messages.boxes[1].text, kBackupFailed);
    EXPECT_EQ(bytesOf(target), QByteArray("an older backup"));

    shop.messages.answers.enqueue(true);
    backUpTo(target);
    EXPECT_EQ(shop.messages.lastText(), kBackupDone);
    EXPECT_EQ(stockRows(target), 1);
}

TEST_F(BackupWindowTest, ABackupThatCannotBeWrittenSaysWhyAndWritesNothing)
{
    writeBytes(shop.path(QStringLiteral("blocker")), "a file");
    const QByteArray current = bytesOf(database());
    struct Case {
        const char *why;
        QString path, reason;
    };
    const Case cases[] = {
        {"empty path", QStringLiteral("  "), QStringLiteral("请填写备份文件的路径")},
        {"a folder", shop.dir.path(), QStringLiteral("是一个文件夹")},
        {"the database itself", database(), QStringLiteral("不能备份到正在使用的数据库文件")},
        {"its folder is a file", shop.path(QStringLiteral("blocker/beifen.db")), QStringLiteral("无法建立文件夹")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        window->backupPathField()->setText(c.path);
        const QStringList before = namesIn(shop.dir.path());
        backUpTo(c.path);
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_TRUE(shop.messages.boxes[0].text.startsWith(kBackupFailed + QLatin1Char('\n')));
        EXPECT_TRUE(shop.messages.boxes[0].text.contains(c.reason)) << shop.messages.boxes[0].text.toStdString();
        EXPECT_EQ(namesIn(shop.dir.path()), before);
        EXPECT_EQ(bytesOf(database()), current);
    }
    EXPECT_EQ(bytesOf(shop.path(QStringLiteral("blocker"))), QByteArray("a file"));
}

TEST_F(BackupWindowTest, RestoringAWrongFileSaysWhyAndLeavesTheDatabaseByteForByte)
{
    const QByteArray current = bytesOf(database());
    struct Case {
        const char *why;
        void (*make)(const QString &file); // nullptr: no file is made
        QString name, message;
    };
    const Case cases[] = {
        {"no such file", nullptr, QStringLiteral("beifen.db"), QStringLiteral("备份数据库没找到!")},
        {"a folder", nullptr, QStringLiteral("."), QStringLiteral("备份数据库没找到!")},
        {"empty file", makeEmpty, QStringLiteral("empty.db"), QStringLiteral("是空的")},
        {"text file", makeText, QStringLiteral("notes.txt"), QStringLiteral("不是数据库文件")},
        {"truncated database", makeTruncated, QStringLiteral("cut.db"), QStringLiteral("已损坏")},
        {"another program's database", makeForeign, QStringLiteral("other.db"), QStringLiteral("缺少数据表 data")},
        {"a trigger that empties the stock", makeWithStockEraser, QStringLiteral("trigger.db"),
         QStringLiteral("不是本软件建立的触发器 t1")},
        {"the database itself", nullptr, QStringLiteral("data.db"), QStringLiteral("就是正在使用的数据库")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        if (c.make)
            c.make(shop.path(c.name));
        const QStringList before = namesIn(shop.dir.path());
        restoreFrom(c.name);
        ASSERT_EQ(shop.messages.boxes.size(), 1) << "no question before a refusal";
        EXPECT_TRUE(shop.messages.boxes[0].text.contains(c.message)) << shop.messages.boxes[0].text.toStdString();
        if (c.message != QStringLiteral("备份数据库没找到!"))
            EXPECT_TRUE(shop.messages.boxes[0].text.startsWith(kRestoreFailed + QLatin1Char('\n')));
        EXPECT_EQ(bytesOf(database()), current);
        EXPECT_EQ(namesIn(shop.dir.path()), before);
    }

    // Declining the question replaces nothing either.
    makeShop(shop.path(QStringLiteral("good.db")), 3);
    shop.messages.answers.enqueue(false);
    restoreFrom(shop.path(QStringLiteral("good.db")));
    EXPECT_EQ(shop.messages.lastText(), kRestoreFailed);
    EXPECT_EQ(bytesOf(database()), current);
    EXPECT_TRUE(namesIn(shop.dir.path()).filter(QStringLiteral("恢复前")).isEmpty());
}

TEST_F(BackupWindowTest, ARestoreTakesTheSaleAwayAndKeepsTheReplacedDatabase)
{
    backUpTo(QStringLiteral("beifen.db"));
    ASSERT_EQ(shop.messages.texts(), QStringList{kBackupDone});
    closeWindow();

    shop.exec(QStringLiteral("insert into data1 (a, z, [3], day1) values ('衬衫', '20140729001', 1, '2014-07-29')"));
    ASSERT_EQ(shop.scalar(QStringLiteral("select count(*) from data1")).toInt(), 1);
    open();
    const QByteArray withSale = bytesOf(database());
    restoreFrom(QStringLiteral("beifen.db"));
    const QString kept = shop.path(QStringLiteral("data-恢复前-20140729-103000.db"));
    ASSERT_EQ(shop.messages.boxes.size(), 2);
    EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::YesNo);
    EXPECT_TRUE(shop.messages.boxes[0].text.contains(QStringLiteral("data-恢复前-20140729-103000.db")));
    EXPECT_EQ(shop.messages.boxes[1].text,
              QStringLiteral("数据库恢复成功！\n原来的数据库已保存为 ") + QDir::toNativeSeparators(kept));
    EXPECT_EQ(bytesOf(kept), withSale);

    // This run's login is recorded in the restored file, where the logout time will go, and the
    // order numbering follows the restored lines (today's 001 was in the file put aside).
    shop.ctx.session.loginNumber = 7; // a row of the file put aside
    closeWindow();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data1")).toInt(), 0);
    const int login = shop.ctx.session.loginNumber;
    EXPECT_EQ(shop.scalar(QStringLiteral("select username from rz where id=?"), {login}).toString(),
              Session::superAdminName());
    EXPECT_EQ(shop.scalar(QStringLiteral("select max(id) from rz")).toInt(), login);
    EXPECT_EQ(main->salePanel()->orderNumber(), QStringLiteral("20140729001"));
    EXPECT_EQ(shop.settings.read(QStringLiteral("danhao")), QStringLiteral("0"));
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 1);
    EXPECT_EQ(saleLines(kept), 1);
}

TEST_F(BackupWindowTest, WhenTheDatabaseCannotBeOpenedTheWindowStaysAndSaysWhy)
{
    makeShop(shop.path(QStringLiteral("good.db")), 4);
    makeText(database());
    window->close();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(shop.messages.boxes[0].text.startsWith(QStringLiteral("数据库无法打开：")));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(shop.db.isOpen());
    EXPECT_EQ(reopened, 0);

    restoreFrom(QStringLiteral("good.db"));
    EXPECT_TRUE(shop.messages.lastText().startsWith(QStringLiteral("数据库恢复成功！")));
    closeWindow();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 4);
}

TEST_F(BackupWindowTest, TheAutomaticBackupsAreListedNewestFirstAndTwoClicksRestoreOne)
{
    closeWindow();
    const QDateTime evening(QDate(2014, 7, 28), QTime(18, 0, 0));
    automaticbackups::write(shop.db.fileName(), evening);
    shop.addStockRow({{"a", QStringLiteral("外套")}, {"2", 1.0}, {"7", 1.0}});
    automaticbackups::write(shop.db.fileName(), evening.addDays(1));
    open();

    QListWidget *list = window->automaticBackupList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("2014-07-29 18:00:00")));
    EXPECT_TRUE(list->item(1)->text().startsWith(QStringLiteral("2014-07-28 18:00:00")));

    // One click puts it into the restore field, for "恢复数据库"; a double click restores it at once.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(window->restoreFileField()->text(),
              QDir::toNativeSeparators(automaticbackups::list(shop.db.fileName()).at(0).absoluteFilePath()));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    doubleClickAt(list->viewport(), list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(window->restoreFileField()->text(),
              QDir::toNativeSeparators(automaticbackups::list(shop.db.fileName()).at(1).absoluteFilePath()));
    EXPECT_TRUE(shop.messages.lastText().startsWith(QStringLiteral("数据库恢复成功！")));
    closeWindow();
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 1);
}

TEST_F(BackupWindowTest, TheOpenButtonPutsTheChosenFileIntoTheField)
{
    shop.messages.fileNames.enqueue(shop.path(QStringLiteral("某处/beifen.db")));
    button("openButton")->click();
    EXPECT_EQ(window->restoreFileField()->text(), shop.path(QStringLiteral("某处/beifen.db")));
    button("openButton")->click(); // cancelled
    EXPECT_EQ(window->restoreFileField()->text(), shop.path(QStringLiteral("某处/beifen.db")));
}

} // namespace
