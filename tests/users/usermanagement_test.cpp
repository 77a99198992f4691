#include "app/mainwindow.h"
#include "app/windowset.h"
#include "common/passwordhash.h"
#include "support/clicks.h"
#include "support/testapp.h"
#include "support/toplevel.h"
#include "users/logindialog.h"
#include "users/usermanagementwindow.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kAdmin = QStringLiteral("超级管理员");

class UserManagementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shop.exec(QStringLiteral("insert into userdb (username, passwd) values ('张三', 'abc1'), ('李四', 'xyz9')"));
        main = &shop.windows();
        main->actions().userManagement->trigger();
        window = shownWindow<UserManagementWindow>();
        ASSERT_TRUE(window);
        password = window->findChild<QLineEdit *>(QStringLiteral("adminPassword"));
        users = window->findChild<QListWidget *>(QStringLiteral("userList"));
        tabs = window->findChild<QTabWidget *>(QStringLiteral("tabs"));
        ASSERT_TRUE(password && users && tabs);
    }
    void TearDown() override
    {
        if (shownWindow<UserManagementWindow>())
            window->close();
        deleteClosedWindows();
    }

    QPushButton *button(const char *name) { return window->findChild<QPushButton *>(QString::fromLatin1(name)); }
    QLineEdit *field(const char *name) { return window->findChild<QLineEdit *>(QString::fromLatin1(name)); }
    QStringList listed()
    {
        QStringList names;
        for (int i = 0; i < users->count(); ++i)
            names << users->item(i)->text();
        return names;
    }
    void unlock()
    {
        password->setText(QStringLiteral("927"));
        button("unlockButton")->click();
        ASSERT_EQ(shop.messages.lastText(), QStringLiteral("超级管理员登录成功！"));
        shop.messages.clear();
    }
    void pick(const QString &name)
    {
        const QList<QListWidgetItem *> found = users->findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        QTest::mouseClick(users->viewport(), Qt::LeftButton, {}, users->visualItemRect(found.first()).center());
    }
    void addUser(const QString &name)
    {
        field("newName")->setText(name);
        button("addButton")->click();
    }
    int rowsOf(const QString &name)
    {
        return shop.scalar(QStringLiteral("select count(*) from userdb where username=?"), {name}).toInt();
    }
    QString storedPassword(const QString &name)
    {
        return shop.scalar(QStringLiteral("select passwd from userdb where username=?"), {name}).toString();
    }
    // Every password the window wrote is a hash; only rows it never touched may still be plain.
    void expectHashed(const QStringList &names)
    {
        for (const QString &name : names)
            EXPECT_TRUE(passwordhash::isHash(storedPassword(name))) << name.left(20).toStdString();
    }

    TestShop shop;
    MainWindow *main = nullptr;
    UserManagementWindow *window = nullptr;
    QLineEdit *password = nullptr;
    QListWidget *users = nullptr;
    QTabWidget *tabs = nullptr;
};

TEST_F(UserManagementTest, OpensOnceFromTheSettingsMenuLockedAndFreesItselfWhenClosed)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("用户管理—(管理员专用)"));
    EXPECT_EQ(window->objectName(), QStringLiteral("Tuserglfm"));
    EXPECT_EQ(window->size(), QSize(393, 152));
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(listed(), QStringList({kAdmin, QStringLiteral("张三"), QStringLiteral("李四")}));
    EXPECT_FALSE(users->isEnabled());
    EXPECT_FALSE(tabs->isEnabled());
    EXPECT_EQ(window->focusWidget(), password);
    QStringList tabNames;
    for (int i = 0; i < tabs->count(); ++i)
        tabNames << tabs->tabText(i);
    EXPECT_EQ(tabNames, QStringList({QStringLiteral("初始化密码"), QStringLiteral("增加用户"), QStringLiteral("删除用户")}));

    main->actions().userManagement->trigger();
    EXPECT_EQ(windowCount<UserManagementWindow>(), 1) << "the opener brings the open window to the front";

    pressKeyIn(password, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(shop.data.workQuery.isOpen());
    deleteClosedWindows();
    EXPECT_EQ(windowCount<UserManagementWindow>(), 0);
}

TEST_F(UserManagementTest, OnlyTheSuperadministratorsPasswordUnlocksTheListAndTabs)
{
    typeKeys(password, QStringLiteral("9'2 \"7中😀"));
    EXPECT_EQ(password->text(), QStringLiteral("927")) << "letters and digits only";
    pressKeyIn(password, Qt::Key_Return);
    EXPECT_EQ(window->focusWidget(), button("unlockButton"));

    for (const QString &wrong : {QStringLiteral("928"), QStringLiteral("abc1"), QString()}) {
        SCOPED_TRACE(wrong.toStdString());
        shop.messages.clear();
        password->setText(wrong);
        button("unlockButton")->click();
        EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("密码不对！")});
        EXPECT_FALSE(users->isEnabled());
        EXPECT_FALSE(tabs->isEnabled());
    }

    shop.messages.clear();
    password->setText(QStringLiteral("927"));
    pressKeyIn(button("unlockButton"), Qt::Key_Return);
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("超级管理员登录成功！")});
    EXPECT_TRUE(users->isEnabled());
    EXPECT_TRUE(tabs->isEnabled());
    EXPECT_TRUE(password->text().isEmpty());
}

TEST_F(UserManagementTest, AddingRefusesTheSuperadministratorEmptyAndExistingNames)
{
    unlock();
    const QString added = QStringLiteral("成功添加新用户！缺省口令是：927,请此用户下次登录时及时修改口令！");
    const QString longName(10000, QChar(0x738b));
    struct Case {
        QString typed, stored, message;
    };
    const Case cases[] = {
        {kAdmin, QString(), QStringLiteral("超级管理员只能有一个，不能增加")},
        {QStringLiteral("   "), QString(), QStringLiteral("请选择用户名！")},
        {QStringLiteral(" 王五 "), QStringLiteral("王五"), added},
        {QStringLiteral("王五"), QString(), QStringLiteral("用户 王五 已经存在，不能重复增加！")},
        {QStringLiteral("张三"), QString(), QStringLiteral("用户 张三 已经存在，不能重复增加！")},
        {QStringLiteral("O'Brien \"小李\""), QStringLiteral("O'Brien \"小李\""), added},
        {QStringLiteral("한국😀"), QStringLiteral("한국😀"), added},
        {longName, longName, added},
    };
    QStringList expected = listed();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.left(20).toStdString());
        shop.messages.clear();
        addUser(c.typed);
        EXPECT_EQ(shop.messages.texts(), QStringList{c.message});
        if (!c.stored.isEmpty())
            expected << c.stored;
        EXPECT_EQ(listed(), expected);
    }
    EXPECT_EQ(rowsOf(kAdmin), 1);
    EXPECT_EQ(rowsOf(QStringLiteral("王五")), 1);
    EXPECT_EQ(rowsOf(QStringLiteral("张三")), 1);
    expectHashed({QStringLiteral("王五"), QStringLiteral("O'Brien \"小李\""), QStringLiteral("한국😀"), longName});

    // The new user logs in with the initial password.
    LoginDialog *login = shop.windowSet().login;
    login->show();
    login->findChild<QComboBox *>(QStringLiteral("userList"))->setEditText(QStringLiteral("O'Brien \"小李\""));
    login->findChild<QLineEdit *>(QStringLiteral("passwordField"))->setText(QStringLiteral("927"));
    login->findChild<QPushButton *>(QStringLiteral("loginButton"))->click();
    EXPECT_EQ(shop.ctx.session.userName, QStringLiteral("O'Brien \"小李\""));
}

TEST_F(UserManagementTest, PickingAUserFillsBothNameFieldsAndAResetGivesTheInitialPassword)
{
    unlock();
    pick(QStringLiteral("张三"));
    EXPECT_EQ(field("resetName")->text(), QStringLiteral("张三"));
    EXPECT_EQ(field("deleteName")->text(), QStringLiteral("张三"));
    EXPECT_TRUE(field("resetName")->isReadOnly());

    button("resetButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("已经成功将密码初始化为：927")});
    EXPECT_TRUE(passwordhash::verify(storedPassword(QStringLiteral("张三")), QStringLiteral("927")));
    EXPECT_EQ(storedPassword(QStringLiteral("李四")), QStringLiteral("xyz9")) << "only the picked user";

    // The superadministrator's own password can be reset too.
    shop.exec(QStringLiteral("update userdb set passwd='old1' where username=?"), {kAdmin});
    pick(kAdmin);
    shop.messages.clear();
    button("resetButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("已经成功将密码初始化为：927")});
    expectHashed({kAdmin, QStringLiteral("张三")});

    button("hintButton")->click();
    EXPECT_EQ(shop.messages.lastText(), QStringLiteral("初始化口令用于忘记密码的用户，将口令更改为:927"));
}

TEST_F(UserManagementTest, AResetWithoutAUserOrOfAUserGoneSaysSo)
{
    unlock();
    button("resetButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("请选择用户名！")});

    pick(QStringLiteral("李四"));
    shop.exec(QStringLiteral("delete from userdb where username='李四'"));
    shop.messages.clear();
    button("resetButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("没有找到用户：李四，密码没有初始化！")});
    EXPECT_EQ(rowsOf(QStringLiteral("李四")), 0);
}

TEST_F(UserManagementTest, DeletingAsksFirstAndNeverRemovesTheSuperadministrator)
{
    unlock();
    button("deleteButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("请选择用户")});

    pick(kAdmin);
    shop.messages.clear();
    button("deleteButton")->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("超级管理员不能删除！")});
    EXPECT_EQ(rowsOf(kAdmin), 1);

    pick(QStringLiteral("张三"));
    shop.messages.clear();
    shop.messages.answers.enqueue(false);
    button("deleteButton")->click();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::YesNo);
    EXPECT_EQ(shop.messages.boxes[0].text, QStringLiteral("你真的要删除用户：张三吗?"));
    EXPECT_EQ(rowsOf(QStringLiteral("张三")), 1);
    EXPECT_EQ(field("deleteName")->text(), QStringLiteral("张三"));

    shop.messages.clear();
    button("deleteButton")->click();
    EXPECT_EQ(shop.messages.texts(), (QStringList{QStringLiteral("你真的要删除用户：张三吗?"), QStringLiteral("成功删除！")}));
    EXPECT_EQ(rowsOf(QStringLiteral("张三")), 0);
    EXPECT_TRUE(field("deleteName")->text().isEmpty());
    EXPECT_EQ(listed(), QStringList({kAdmin, QStringLiteral("李四")}));

    // A name no longer in the table is reported as not deleted.
    field("deleteName")->setText(QStringLiteral("张三"));
    shop.messages.clear();
    button("deleteButton")->click();
    EXPECT_EQ(shop.messages.lastText(), QStringLiteral("没有找到用户：张三，没有删除！"));
}

} // namespace
