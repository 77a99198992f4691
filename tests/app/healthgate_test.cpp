#include "app/healthgate.h"

#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/windowset.h"
#include "common/errors.h"
#include "support/dbfiles.h"
#include "support/testapp.h"
#include "users/logindialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// A shop's database opened the way the program opens it at start-up, health check included, with
// the window set built over it.
class HealthGateTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 20; ++i)
            shop.addStockRow({{"a", QStringLiteral("衣服%1").arg(i)}, {"2", 1.0}, {"7", 1.0}});
        shop.db.close();
    }
    void open()
    {
        before = fileChecksum(shop.db.fileName());
        ASSERT_TRUE(openShopDatabase(shop.db, shop.messages, false, &gate));
    }
    // Logs in through the login window as the superadministrator.
    void logIn()
    {
        shop.windows();
        LoginDialog *login = shop.windowSet().login;
        login->show();
        login->findChild<QComboBox *>(QStringLiteral("userList"))->setEditText(Session::superAdminName());
        login->findChild<QLineEdit *>(QStringLiteral("passwordField"))->setText(QStringLiteral("927"));
        login->findChild<QPushButton *>(QStringLiteral("loginButton"))->click();
    }
    // Lets the event loop run until the user has been asked, or five seconds have passed.
    void waitForQuestion()
    {
        QElapsedTimer timer;
        timer.start();
        while (questions().isEmpty() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QList<RecordingMessages::Box> questions() const
    {
        QList<RecordingMessages::Box> found;
        for (const auto &box : shop.messages.boxes) {
            if (box.kind == RecordingMessages::Kind::YesNo)
                found << box;
        }
        return found;
    }
    bool fileUnchanged()
    {
        shop.db.close();
        return fileChecksum(shop.db.fileName()) == before;
    }

    TestShop shop;
    int ends = 0;
    HealthGate gate{shop.db, shop.messages, [this] { ++ends; }};
    QByteArray before;
};

TEST_F(HealthGateTest, ASoundFileIsWrittenToAsUsual)
{
    open();
    logIn();
    EXPECT_NE(shop.ctx.session.loginNumber, 0);
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM rz").toInt(), 1);
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(gate.writes(), HealthGate::Writes::Allowed);
    EXPECT_EQ(ends, 0);
}

// The login is the first write: it waits for the verdict, the user is asked, and "否" ends the
// program without a byte written.
TEST_F(HealthGateTest, DamagedFileAndNoEndsTheProgramWithTheFileAsItWas)
{
    damageTable(shop.db.fileName(), "data");
    open();
    shop.messages.answers.enqueue(false);
    logIn();
    ASSERT_EQ(questions().size(), 1);
    EXPECT_EQ(questions()[0].title, "数据库文件已损坏");
    EXPECT_TRUE(questions()[0].text.contains("已损坏")) << questions()[0].text.toStdString();
    EXPECT_TRUE(questions()[0].text.contains("“数据备份”中用“恢复数据库”")) << questions()[0].text.toStdString();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(shop.ctx.session.loginNumber, 0);
    EXPECT_EQ(gate.writes(), HealthGate::Writes::Refused);
    try {
        shop.exec("INSERT INTO rz (username) VALUES ('x')");
        ADD_FAILURE() << "a refused file was written to";
    } catch (const DbError &e) {
        EXPECT_EQ(e.cause(), DbError::Cause::Damaged);
    }
    EXPECT_TRUE(fileUnchanged());
}

TEST_F(HealthGateTest, DamagedFileAndYesGoesOnSoTheUserCanLogInAndRestore)
{
    damageTable(shop.db.fileName(), "data");
    open();
    shop.messages.answers.enqueue(true);
    logIn();
    EXPECT_EQ(questions().size(), 1);
    EXPECT_EQ(ends, 0);
    EXPECT_NE(shop.ctx.session.loginNumber, 0);
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM rz").toInt(), 1);
    EXPECT_EQ(gate.writes(), HealthGate::Writes::Allowed);
}

// While the login window waits for the user, the verdict arrives on its own and the user is told
// at once; after "否" nothing, the login included, writes to the file.
TEST_F(HealthGateTest, TheVerdictIsToldAsSoonAsItIsKnown)
{
    damageTable(shop.db.fileName(), "data");
    open();
    shop.messages.answers.enqueue(false);
    shop.windows();
    waitForQuestion();
    ASSERT_EQ(questions().size(), 1);
    EXPECT_EQ(ends, 1);
    shop.messages.clear();
    logIn();
    EXPECT_EQ(shop.ctx.session.loginNumber, 0);
    EXPECT_TRUE(questions().isEmpty()) << "asked once";
    EXPECT_TRUE(shop.messages.lastText().contains("数据库文件已损坏")) << shop.messages.lastText().toStdString();
    EXPECT_TRUE(fileUnchanged());
}

} // namespace
