#include "app/mainwindow.h"
#include "app/windowset.h"
#include "common/passwordhash.h"
#include "support/clicks.h"
#include "support/testapp.h"
#include "support/toplevel.h"
#include "users/logindialog.h"
#include "users/passwordchangewindow.h"
#include "users/usertable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class PasswordChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 张三 as an older version stored him: a plain password.
        shop.exec(QStringLiteral("insert into userdb (username, passwd) values ('张三', 'abc1')"));
        main = &shop.windows();
        openWindow();
    }
    // Opens "修改密码" as the user of the session and finds its fields.
    void openWindow()
    {
        main->actions().changePassword->trigger();
        window = shownWindow<PasswordChangeWindow>();
        ASSERT_TRUE(window);
        user = window->findChild<QComboBox *>(QStringLiteral("userList"));
        oldPassword = window->findChild<QLineEdit *>(QStringLiteral("oldPassword"));
        newPassword = window->findChild<QLineEdit *>(QStringLiteral("newPassword"));
        repeat = window->findChild<QLineEdit *>(QStringLiteral("repeatPassword"));
        change = window->findChild<QPushButton *>(QStringLiteral("changeButton"));
        closeWhenDone = window->findChild<QCheckBox *>(QStringLiteral("closeWhenDone"));
        ASSERT_TRUE(user && oldPassword && newPassword && repeat && change && closeWhenDone);
    }
    void TearDown() override
    {
        if (shownWindow<PasswordChangeWindow>())
            window->close();
        deleteClosedWindows();
    }

    void fill(const QString &name, const QString &oldText, const QString &newText, const QString &repeatText)
    {
        user->setCurrentIndex(user->findText(name));
        oldPassword->setText(oldText);
        newPassword->setText(newText);
        repeat->setText(repeatText);
    }
    QString stored(const QString &name)
    {
        return shop.scalar(QStringLiteral("select passwd from userdb where username=?"), {name}).toString();
    }
    bool logsIn(const QString &name, const QString &password)
    {
        return usertable::matchingRow(shop.data.workQuery, name, password) > 0;
    }

    TestShop shop;
    MainWindow *main = nullptr;
    PasswordChangeWindow *window = nullptr;
    QComboBox *user = nullptr;
    QLineEdit *oldPassword = nullptr;
    QLineEdit *newPassword = nullptr;
    QLineEdit *repeat = nullptr;
    QPushButton *change = nullptr;
    QCheckBox *closeWhenDone = nullptr;
};

// A clerk changes their own password, and only theirs: the window offers no other name.
TEST_F(PasswordChangeTest, AClerkChangesTheirOwnPasswordOnly)
{
    window->close();
    deleteClosedWindows();
    shop.ctx.session.userName = QStringLiteral("张三");
    openWindow();
    if (HasFatalFailure())
        return;
    ASSERT_EQ(user->count(), 1);
    EXPECT_EQ(user->currentText(), QStringLiteral("张三"));
    EXPECT_FALSE(user->isEnabled());
    fill(QStringLiteral("张三"), QStringLiteral("abc1"), QStringLiteral("xyz9"), QStringLiteral("xyz9"));
    change->click();
    EXPECT_TRUE(logsIn(QStringLiteral("张三"), QStringLiteral("xyz9")));
    EXPECT_TRUE(logsIn(Session::superAdminName(), QStringLiteral("927"))) << "nobody else's password changes";
}

TEST_F(PasswordChangeTest, OpensWithTheSortedNamesAndNoneChosen)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("更改密码"));
    EXPECT_EQ(window->objectName(), QStringLiteral("Tchangepassfm"));
    EXPECT_EQ(window->size(), QSize(296, 160));
    EXPECT_FALSE(window->isModal());
    EXPECT_FALSE(user->isEditable());
    QStringList names;
    for (int i = 0; i < user->count(); ++i)
        names << user->itemText(i);
    EXPECT_EQ(names, QStringList({QStringLiteral("超级管理员"), QStringLiteral("张三")})) << "in pinyin order";
    EXPECT_EQ(user->currentIndex(), -1);
    EXPECT_EQ(window->focusWidget(), user);
    EXPECT_TRUE(closeWhenDone->isChecked());
    EXPECT_TRUE(window->findChild<QLabel *>(QStringLiteral("hint"))->text().contains(QStringLiteral("最长10个字符")));
}

TEST_F(PasswordChangeTest, KeysMoveFromNameToPasswordsToTheButton)
{
    const int zhang = user->findText(QStringLiteral("张三"));
    user->setCurrentIndex(zhang);
    emit user->activated(zhang);
    EXPECT_EQ(window->focusWidget(), oldPassword);

    typeKeys(oldPassword, QStringLiteral("ab'c 1中😀"));
    EXPECT_EQ(oldPassword->text(), QStringLiteral("abc1"));
    typeKeys(newPassword, QStringLiteral("N3w\"pass9xyz"));
    EXPECT_EQ(newPassword->text(), QStringLiteral("N3wpass9xy")) << "ten characters at most";
    typeKeys(repeat, QStringLiteral("N3wpass9xy"));

    pressKeyIn(oldPassword, Qt::Key_Return);
    EXPECT_EQ(window->focusWidget(), newPassword);
    pressKeyIn(newPassword, Qt::Key_Return);
    EXPECT_EQ(window->focusWidget(), repeat);
    pressKeyIn(repeat, Qt::Key_Return);
    EXPECT_EQ(window->focusWidget(), change);
    pressKeyIn(change, Qt::Key_Return);
    EXPECT_EQ(shop.messages.lastText(), QStringLiteral("你已经成功修改了密码！下次运行程序时生效！"));
    EXPECT_TRUE(logsIn(QStringLiteral("张三"), QStringLiteral("N3wpass9xy")));
}

TEST_F(PasswordChangeTest, RefusalsNameTheirReasonAndChangeNothing)
{
    using Kind = RecordingMessages::Kind;
    struct Case {
        const char *why;
        QString name, oldText, newText, repeatText;
        Kind kind;
        QString message;
        QLineEdit *focus; // nullptr: the name list
        bool repeatEmptied;
    };
    const Case cases[] = {
        {"no user chosen", QString(), QStringLiteral("abc1"), QStringLiteral("n1"), QStringLiteral("n1"), Kind::Warning,
         QStringLiteral("必须选择操作员！"), nullptr, false},
        {"no old password", QStringLiteral("张三"), QStringLiteral("  "), QStringLiteral("n1"), QStringLiteral("n1"),
         Kind::Warning, QStringLiteral("必须输入旧口令！"), oldPassword, false},
        {"no new password", QStringLiteral("张三"), QStringLiteral("abc1"), QString(), QString(), Kind::Warning,
         QStringLiteral("新口令长度不能为空！"), newPassword, false},
        {"repeat differs", QStringLiteral("张三"), QStringLiteral("abc1"), QStringLiteral("n1"), QStringLiteral("n2"),
         Kind::Info, QStringLiteral("两次输入的密码不一致！请重新输入！"), repeat, true},
        {"old password wrong", QStringLiteral("张三"), QStringLiteral("abc2"), QStringLiteral("n1"), QStringLiteral("n1"),
         Kind::Info, QStringLiteral("旧口令不正确！"), oldPassword, false},
        {"another user's password", QStringLiteral("超级管理员"), QStringLiteral("abc1"), QStringLiteral("n1"),
         QStringLiteral("n1"), Kind::Info, QStringLiteral("旧口令不正确！"), oldPassword, false},
    };
    const QString adminBefore = stored(QStringLiteral("超级管理员"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        shop.messages.clear();
        fill(c.name, c.oldText, c.newText, c.repeatText);
        change->click();
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes[0].kind, c.kind);
        EXPECT_EQ(shop.messages.boxes[0].text, c.message);
        EXPECT_EQ(window->focusWidget(), c.focus ? static_cast<QWidget *>(c.focus) : user);
        EXPECT_EQ(repeat->text().isEmpty(), c.repeatEmptied || c.repeatText.isEmpty());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(stored(QStringLiteral("张三")), QStringLiteral("abc1"));
        EXPECT_EQ(stored(QStringLiteral("超级管理员")), adminBefore);
    }
}

TEST_F(PasswordChangeTest, AChangeStoresTheNewPasswordsHashAndClosesWhenTicked)
{
    fill(QStringLiteral("张三"), QStringLiteral(" abc1 "), QStringLiteral("Zz9"), QStringLiteral("Zz9"));
    change->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("你已经成功修改了密码！下次运行程序时生效！")});
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(passwordhash::isHash(stored(QStringLiteral("张三"))));
    EXPECT_FALSE(logsIn(QStringLiteral("张三"), QStringLiteral("abc1")));

    // The login window takes the new password.
    LoginDialog *login = shop.windowSet().login;
    login->show();
    login->findChild<QComboBox *>(QStringLiteral("userList"))->setEditText(QStringLiteral("张三"));
    login->findChild<QLineEdit *>(QStringLiteral("passwordField"))->setText(QStringLiteral("Zz9"));
    login->findChild<QPushButton *>(QStringLiteral("loginButton"))->click();
    EXPECT_EQ(shop.ctx.session.userName, QStringLiteral("张三"));
}

TEST_F(PasswordChangeTest, UntickedTheWindowStaysWithItsFieldsEmptied)
{
    closeWhenDone->setChecked(false);
    fill(QStringLiteral("超级管理员"), QStringLiteral("927"), QStringLiteral("Adm1n"), QStringLiteral("Adm1n"));
    change->click();
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("你已经成功修改了密码！下次运行程序时生效！")});
    EXPECT_TRUE(window->isVisible());
    for (QLineEdit *field : {oldPassword, newPassword, repeat})
        EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(passwordhash::verify(stored(QStringLiteral("超级管理员")), QStringLiteral("Adm1n")));
}

} // namespace
