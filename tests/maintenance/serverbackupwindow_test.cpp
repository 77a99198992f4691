#include "app/mainwindow.h"
#include "common/shopevents.h"
#include "maintenance/automaticbackups.h"
#include "maintenance/backupwindow.h"
#include "maintenance/backupwindowfixture.h"
#include "maintenance/serverbackup.h"
#include "maintenance/shopfiles.h"
#include "sales/salepanel.h"
#include "support/clicks.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"
#include "support/toplevel.h"

#include <QDir>
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
const QString kRestoreFailed = QStringLiteral("数据库恢复失败！");

// "数据库备份" of a shop on a server, driven through its buttons. The program's working folder,
// where the automatic backups and the kept copies lie, is the shop's folder.
class ServerBackupWindowTest : public BackupWindowFixture {
protected:
    ServerBackupWindowTest() : BackupWindowFixture(std::make_unique<TestShop>(TestShop::OnServer{})) {}
    void SetUp() override
    {
        ASSERT_EQ(PrivatePostgres::instance().error(), QString()) << "a PostgreSQL server of the tests' own is needed";
        m_workingFolder = QDir::currentPath();
        QDir::setCurrent(shop.dir.path());
        BackupWindowFixture::SetUp();
    }
    void TearDown() override
    {
        BackupWindowFixture::TearDown();
        QDir::setCurrent(m_workingFolder);
    }

private:
    QString m_workingFolder;
};

TEST_F(ServerBackupWindowTest, TheButtonsBackUpAndRestoreTheShopOnTheServer)
{
    EXPECT_EQ(window->backupPathField()->text(), BackupWindow::defaultServerBackupPath());
    EXPECT_TRUE(window->backupPathField()->text().endsWith(QStringLiteral("beifen.dump")));

    // A relative name lies in the working folder.
    window->backupPathField()->setText(QStringLiteral("beifen.dump"));
    button("backupButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{kBackupDone});
    EXPECT_TRUE(bytesOf(shop.path(QStringLiteral("beifen.dump"))).startsWith("PGDMP"));
    closeWindow();

    // A sale after the backup, by a run whose login is row 7 of the log.
    shop.exec(QStringLiteral("INSERT INTO data1 (a, z, [3], day1) VALUES ('衬衫', '20140729001', 1, '2014-07-29')"));
    for (int i = 0; i < 7; ++i)
        shop.exec(QStringLiteral("INSERT INTO rz (username, btime) VALUES ('超级管理员', '2014-07-29 10:00:00')"));
    shop.ctx.session.loginNumber = 7;
    open();

    // A file that is no backup is refused before any question.
    writeBytes(shop.path(QStringLiteral("notes.dump")), "not a backup");
    window->restoreFileField()->setText(QStringLiteral("notes.dump"));
    button("restoreButton")->click();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_TRUE(shop.messages.boxes[0].text.startsWith(kRestoreFailed + QLatin1Char('\n')));

    shop.messages.clear();
    window->restoreFileField()->setText(QStringLiteral("beifen.dump"));
    button("restoreButton")->click();
    const QString kept = shop.path(QStringLiteral("data-恢复前-20140729-103000.dump"));
    ASSERT_EQ(shop.messages.boxes.size(), 2) << shop.messages.lastText().toStdString();
    EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::YesNo);
    EXPECT_TRUE(shop.messages.boxes[0].text.contains(QStringLiteral("恢复服务器上的数据库")));
    EXPECT_TRUE(shop.messages.boxes[0].text.contains(QStringLiteral("data-恢复前-20140729-103000.dump")));
    EXPECT_EQ(shop.messages.boxes[1].text,
              QStringLiteral("数据库恢复成功！\n原来的数据库已保存为 ") + QDir::toNativeSeparators(kept));
    EXPECT_TRUE(bytesOf(kept).startsWith("PGDMP"));

    // Closing the window opens the restored shop: the sale is gone, this run's login is recorded
    // in the restored log and the order numbering follows the restored lines.
    closeWindow();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(shop.db.isOpen());
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM data1")).toInt(), 0);
    const int login = shop.ctx.session.loginNumber;
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT max(id) FROM rz")).toInt(), login);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM rz")).toInt(), 1);
    EXPECT_EQ(main->salePanel()->orderNumber(), QStringLiteral("20140729001"));
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 1);

    // The kept copy holds the sale: restoring it brings it back.
    open();
    window->restoreFileField()->setText(QDir::toNativeSeparators(kept));
    button("restoreButton")->click();
    EXPECT_TRUE(shop.messages.lastText().startsWith(QStringLiteral("数据库恢复成功！"))) << shop.messages.lastText().toStdString();
    closeWindow();
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM data1")).toInt(), 1);
}

TEST_F(ServerBackupWindowTest, TheAutomaticBackupsAreListedAndTwoClicksRestoreOne)
{
    closeWindow();
    const QDateTime evening(QDate(2014, 7, 28), QTime(18, 0, 0));
    const QString placeholder = serverbackup::placeholderFile(shop.dir.path());
    automaticbackups::writeDump(shop.db.fileName(), placeholder, evening, 0);
    shop.addStockRow({{"a", QStringLiteral("外套")}, {"2", 1.0}, {"7", 1.0}});
    automaticbackups::writeDump(shop.db.fileName(), placeholder, evening.addDays(1), 0);
    open();

    QListWidget *list = window->automaticBackupList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("2014-07-29 18:00:00")));
    EXPECT_TRUE(list->item(1)->text().startsWith(QStringLiteral("2014-07-28 18:00:00")));
    doubleClickAt(list->viewport(), list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(window->restoreFileField()->text(),
              QDir::toNativeSeparators(automaticbackups::list(placeholder).at(1).absoluteFilePath()));
    EXPECT_TRUE(shop.messages.lastText().startsWith(QStringLiteral("数据库恢复成功！"))) << shop.messages.lastText().toStdString();
    closeWindow();
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 1);
    // The kept copy lies in the working folder, not among the automatic backups.
    EXPECT_EQ(automaticbackups::list(placeholder).size(), 2);
    EXPECT_EQ(namesIn(shop.dir.path()).filter(QStringLiteral("data-恢复前-")).size(), 1);
}

} // namespace
