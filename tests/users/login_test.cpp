#include "common/layoutstore.h"
#include "common/passwordhash.h"
#include "app/mainwindow.h"
#include "app/windowset.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/inventorysummarywindow.h"
#include "stock/stockinpanel.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "users/logindialog.h"
#include "widgets/dateedit.h"
#include "widgets/grid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kAdmin = QStringLiteral("超级管理员");
const QString kWrongPassword = QStringLiteral("密码不正确！请重新输入！");

// Fills both fields of a shown login window and presses "登 录".
void submit(LoginDialog *login, const QString &user, const QString &pass)
{
    login->findChild<QComboBox *>(QStringLiteral("userList"))->setEditText(user);
    login->findChild<QLineEdit *>(QStringLiteral("passwordField"))->setText(pass);
    login->findChild<QPushButton *>(QStringLiteral("loginButton"))->click();
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main = &shop.windows();
        login = shop.windowSet().login;
        userList = login->findChild<QComboBox *>(QStringLiteral("userList"));
        password = login->findChild<QLineEdit *>(QStringLiteral("passwordField"));
        ASSERT_TRUE(userList && password && login->findChild<QPushButton *>(QStringLiteral("loginButton")));
    }

    void addUser(const QString &name, const QString &pass)
    {
        shop.exec(QStringLiteral("insert into userdb (username, passwd) values (?, ?)"), {name, pass});
    }
    void attempt(const QString &user, const QString &pass) { submit(login, user, pass); }
    int logRows() { return shop.scalar(QStringLiteral("select count(*) from rz")).toInt(); }
    bool hasBox(RecordingMessages::Kind kind)
    {
        for (const auto &box : shop.messages.boxes) {
            if (box.kind == kind)
                return true;
        }
        return false;
    }

    TestShop shop;
    MainWindow *main = nullptr;
    LoginDialog *login = nullptr;
    QComboBox *userList = nullptr;
    QLineEdit *password = nullptr;
};

void pressKey(QWidget *widget, int key, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        pressKey(widget, c.isLetterOrNumber() ? c.toUpper().unicode() : Qt::Key_unknown, QString(c));
}

TEST_F(LoginTest, ShowingListsEveryUserOnceSortedWithTheFirstSelected)
{
    addUser(QStringLiteral("wang"), QStringLiteral("1"));
    addUser(QStringLiteral("li"), QStringLiteral("2"));
    addUser(QStringLiteral("li"), QStringLiteral("3"));
    login->show();

    QStringList names;
    for (int i = 0; i < userList->count(); ++i)
        names << userList->itemText(i);
    // Chinese names come before Latin ones in the program's order.
    EXPECT_EQ(names, QStringList({kAdmin, QStringLiteral("li"), QStringLiteral("wang")}));
    EXPECT_EQ(userList->currentText(), kAdmin);
    EXPECT_EQ(login->focusWidget(), userList);
}

TEST_F(LoginTest, KeysMoveAlongAndThePasswordTakesOnlyLettersAndDigits)
{
    login->show();
    pressKey(userList->lineEdit(), Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(login->focusWidget(), password);

    typeText(password, QStringLiteral("a9 -中'Z"));
    EXPECT_EQ(password->text(), QStringLiteral("a9Z"));
    typeText(password, QStringLiteral("123456789"));
    EXPECT_EQ(password->text(), QStringLiteral("a9Z1234567")) << "at most ten characters";

    password->setText(QStringLiteral("927"));
    pressKey(password, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(shop.ctx.session.userName, kAdmin);
    EXPECT_FALSE(login->isVisible());
}

TEST_F(LoginTest, EscapeDoesNotAbandonTheLogin)
{
    login->show();
    pressKey(login, Qt::Key_Escape);
    EXPECT_TRUE(login->isVisible());
}

TEST_F(LoginTest, EmptyNameOrPasswordIsRefusedWithItsWarning)
{
    struct Case {
        QString user, pass, warning;
        bool focusOnList;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("927"), QStringLiteral("必须选择用户！"), true},
        {QStringLiteral("   "), QStringLiteral("927"), QStringLiteral("必须选择用户！"), true},
        {kAdmin, QString(), QStringLiteral("必须输入密码！"), false},
        {kAdmin, QStringLiteral("   "), QStringLiteral("必须输入密码！"), false},
    };
    login->show();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.warning.toStdString() + " / '" + c.user.toStdString() + "'");
        shop.messages.clear();
        attempt(c.user, c.pass);
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::Warning);
        EXPECT_EQ(shop.messages.boxes[0].text, c.warning);
        EXPECT_EQ(login->focusWidget(), c.focusOnList ? static_cast<QWidget *>(userList) : password);
        EXPECT_TRUE(login->isVisible());
    }
    EXPECT_EQ(logRows(), 0);
    EXPECT_EQ(shop.ctx.session.loginNumber, 0);
}

TEST_F(LoginTest, ANameAndPasswordThatDoNotMatchExactlyOneUserFail)
{
    addUser(QStringLiteral("张三"), QStringLiteral("123"));
    addUser(QStringLiteral("张三"), QStringLiteral("123"));
    struct Case {
        const char *why;
        QString user, pass;
    };
    const Case cases[] = {
        {"wrong password", kAdmin, QStringLiteral("928")},
        {"name not in the table", QStringLiteral("李四"), QStringLiteral("927")},
        {"blanks around the name", QStringLiteral(" 超级管理员 "), QStringLiteral("927")},
        {"two identical rows", QStringLiteral("张三"), QStringLiteral("123")},
        {"quote in the name", QStringLiteral("x' or '1'='1"), QStringLiteral("927")},
        {"quote closing the password", kAdmin, QStringLiteral("' or ''='")},
    };
    login->show();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        shop.messages.clear();
        attempt(c.user, c.pass);
        EXPECT_EQ(shop.messages.texts(), QStringList{kWrongPassword});
        EXPECT_FALSE(hasBox(RecordingMessages::Kind::Error));
        EXPECT_TRUE(password->text().isEmpty());
        EXPECT_EQ(login->focusWidget(), password);
        EXPECT_TRUE(login->isVisible());
    }
    EXPECT_EQ(logRows(), 0);
    EXPECT_EQ(shop.ctx.session.loginNumber, 0);
    EXPECT_TRUE(shop.ctx.session.userName.isEmpty());
}

TEST_F(LoginTest, SuccessRecordsOneLogRowAndGivesTheMainWindowItsUser)
{
    struct Case {
        QString user, storedPass, typedPass;
    };
    const Case cases[] = {
        {kAdmin, QStringLiteral("927"), QStringLiteral("  927 ")},
        {QStringLiteral("O'Brien"), QStringLiteral("abc1"), QStringLiteral("abc1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user.toStdString());
        TestShop fresh;
        MainWindow &window = fresh.windows();
        if (c.user != kAdmin)
            fresh.exec(QStringLiteral("insert into userdb (username, passwd) values (?, ?)"), {c.user, c.storedPass});
        LoginDialog *dialog = fresh.windowSet().login;
        dialog->show();
        submit(dialog, c.user, c.typedPass);

        EXPECT_TRUE(fresh.messages.boxes.isEmpty()) << fresh.messages.texts().join(u'|').toStdString();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_FALSE(dialog->isVisible());
        ASSERT_EQ(fresh.scalar(QStringLiteral("select count(*) from rz")).toInt(), 1);
        const int id = fresh.scalar(QStringLiteral("select id from rz")).toInt();
        EXPECT_EQ(fresh.ctx.session.loginNumber, id);
        EXPECT_EQ(fresh.ctx.session.userName, c.user);
        EXPECT_EQ(fresh.scalar(QStringLiteral("select username from rz")).toString(), c.user);
        EXPECT_EQ(fresh.scalar(QStringLiteral("select btime from rz")).toString(), QStringLiteral("2014-07-29 10:30:00"));
        EXPECT_TRUE(fresh.scalar(QStringLiteral("select jtime from rz")).isNull());
        EXPECT_EQ(window.statusPanel(1)->text(), c.user);
        // A password kept as plain text by an older version is kept as a hash from now on.
        const QString stored =
            fresh.scalar(QStringLiteral("select passwd from userdb where username=?"), {c.user}).toString();
        EXPECT_TRUE(passwordhash::isHash(stored));
        EXPECT_TRUE(passwordhash::verify(stored, c.typedPass.trimmed()));
    }
}

TEST_F(LoginTest, TheLoginNumberIsTheInsertedRowEvenWhenHigherRowsWereDeleted)
{
    for (int i = 0; i < 5; ++i)
        shop.exec(QStringLiteral("insert into rz (username, btime, jtime) values ('old', '2014-01-01 08:00:00', "
                                 "'2014-01-01 18:00:00')"));
    shop.exec(QStringLiteral("insert into rz (id, username, btime) values (40, 'old', '2014-01-02 08:00:00')"));
    shop.exec(QStringLiteral("delete from rz where id >= 4"));
    login->show();
    attempt(kAdmin, QStringLiteral("927"));

    const int number = shop.ctx.session.loginNumber;
    EXPECT_EQ(logRows(), 4);
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from rz where username=?"), {kAdmin}).toInt(), 1);
    EXPECT_EQ(shop.scalar(QStringLiteral("select username from rz where id=?"), {number}).toString(), kAdmin);

    // Closing the main window ends exactly this login.
    shop.clock.time = QDateTime(QDate(2014, 7, 29), QTime(18, 5, 0));
    main->close();
    EXPECT_EQ(shop.scalar(QStringLiteral("select jtime from rz where id=?"), {number}).toString(),
              QStringLiteral("2014-07-29 18:05:00"));
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from rz where jtime='2014-07-29 18:05:00'")).toInt(), 1);
}

TEST_F(LoginTest, TheLoginGateLetsASuccessfulUserIn)
{
    QTimer::singleShot(0, login, [this] { attempt(kAdmin, QStringLiteral("927")); });
    main->runLoginGate();

    EXPECT_EQ(login->result(), QDialog::Accepted);
    EXPECT_NE(shop.ctx.session.loginNumber, 0);
    EXPECT_EQ(logRows(), 1);
    EXPECT_FALSE(shop.settings.exists()) << "the main window stays open: nothing written at closing";
}

TEST_F(LoginTest, ShowingTheMainWindowOpensTheLoginGateEvenWithoutActivation)
{
    main->setLoginGateEnabled(true);
    main->show();
    QTimer::singleShot(0, login, [this] {
        EXPECT_TRUE(login->isModal() && login->isVisible());
        attempt(kAdmin, QStringLiteral("927"));
    });
    QApplication::processEvents();

    EXPECT_EQ(logRows(), 1);
    EXPECT_TRUE(main->isVisible());
}

// A box already waiting for an answer when the login is due (a damaged database file, say) is not
// covered by the login window: the login comes once it is answered.
TEST_F(LoginTest, TheLoginWindowWaitsForABoxAwaitingAnAnswer)
{
    QDialog box;
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    int requests = 0;
    QObject::connect(main, &MainWindow::loginRequested, [&] { ++requests; });
    main->runLoginGate();
    QApplication::processEvents();
    EXPECT_EQ(requests, 0);
    EXPECT_FALSE(login->isVisible());

    QTimer typing;
    QObject::connect(&typing, &QTimer::timeout, login, [&] {
        if (login->isVisible()) {
            typing.stop();
            attempt(kAdmin, QStringLiteral("927"));
        }
    });
    typing.start(10);
    box.close();
    QElapsedTimer waited;
    waited.start();
    while (shop.ctx.session.loginNumber == 0 && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(logRows(), 1);
}

TEST_F(LoginTest, AbandoningTheLoginClosesTheMainWindowAndLogsNothing)
{
    QTimer::singleShot(0, login, [this] {
        attempt(kAdmin, QStringLiteral("bad"));
        login->reject();
    });
    main->runLoginGate();

    EXPECT_EQ(logRows(), 0);
    EXPECT_EQ(shop.ctx.session.loginNumber, 0);
    EXPECT_EQ(shop.settings.read(QStringLiteral("riqi")), QStringLiteral("2014-07-29")) << "the main window closed";
}

TEST_F(LoginTest, EveryUserButTheSuperadministratorWorksWithTheReducedWindows)
{
    for (const bool restricted : {false, true}) {
        SCOPED_TRACE(restricted ? "ordinary user" : "superadministrator");
        TestShop fresh;
        MainWindow &window = fresh.windows();
        // The column switches of the grid menu.
        QList<QAction *> switches;
        QAction *dateSwitch = nullptr;
        for (QAction *option : window.actions().hideColumns->actions()) {
            if (option->text() == QStringLiteral("隐藏进货单价") || option->text() == QStringLiteral("隐藏金额"))
                switches << option;
            if (option->text() == QStringLiteral("隐藏日期"))
                dateSwitch = option;
        }
        ASSERT_EQ(switches.size(), 2);
        ASSERT_NE(dateSwitch, nullptr);
        // A remembered layout that shows every column of the main grid.
        Grid &grid = *window.stockQuery()->gridWidget();
        fresh.layouts.save(QLatin1String(LayoutStore::kMainGridSection), grid.captureLayout());
        const QString user = restricted ? QStringLiteral("店员") : kAdmin;
        fresh.exec(QStringLiteral("insert into userdb (username, passwd) values ('店员', 'x1')"));
        fresh.windowSet().login->show();
        submit(fresh.windowSet().login, user, restricted ? QStringLiteral("x1") : QStringLiteral("927"));
        ASSERT_EQ(fresh.ctx.session.userName, user);

        const MainActions &a = window.actions();
        for (QAction *action : {a.newStockIn, a.excelImport, a.modify, a.remove, a.userManagement,
                                switches[0], switches[1]}) {
            SCOPED_TRACE(action->text().toStdString());
            EXPECT_EQ(action->isVisible(), !restricted);
            EXPECT_EQ(action->isEnabled(), !restricted);
        }
        // Every user changes their own password.
        EXPECT_TRUE(a.changePassword->isVisible() && a.changePassword->isEnabled());
        EXPECT_TRUE(dateSwitch->isVisible());
        // Purchase unit price, purchase amount and stock value, despite the restored layout.
        for (const char *field : {"1", "3", "8"})
            EXPECT_EQ(grid.isFieldHidden(QString::fromLatin1(field)), restricted) << field;
        EXPECT_FALSE(grid.isFieldHidden(QStringLiteral("4")));
        EXPECT_TRUE(a.allRecords->isVisible());
        EXPECT_EQ(window.toolbar().newStockIn->isHidden(), restricted);
        EXPECT_FALSE(window.toolbar().salesDetails->isHidden());
        EXPECT_EQ(window.salePanel()->saleDateField()->isReadOnly(), restricted);
        EXPECT_EQ(fresh.windowSet().salesDetails->isRestricted(), restricted);
        EXPECT_EQ(fresh.windowSet().inventorySummary->isRestricted(), restricted);
        // Neither a shortcut nor the toolbar button reaches a withdrawn command.
        window.toolbar().newStockIn->click();
        EXPECT_EQ(window.stockInPanel()->isHidden(), restricted);
    }
}

TEST_F(LoginTest, TheRememberedZeroStockSwitchIsRestoredAndTheGridFilled)
{
    struct Case {
        const char *n0; // nullptr: never stored
        bool hiddenBefore, hiddenAfter;
    };
    const Case cases[] = {
        {nullptr, false, false},
        {"no", false, true},
        {"yes", true, false},
        {"maybe", true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.n0 ? c.n0 : "(none)");
        TestShop fresh;
        MainWindow &window = fresh.windows();
        fresh.addStockRow({{QStringLiteral("a"), QStringLiteral("衬衫")}, {QStringLiteral("7"), 3}});
        fresh.addStockRow({{QStringLiteral("a"), QStringLiteral("裤子")}, {QStringLiteral("7"), 0}});
        if (c.n0)
            fresh.settings.write(QStringLiteral("n0"), QString::fromLatin1(c.n0));
        window.stockQuery()->setZeroStockHidden(c.hiddenBefore);
        fresh.windowSet().login->show();
        submit(fresh.windowSet().login, kAdmin, QStringLiteral("927"));

        EXPECT_EQ(window.stockQuery()->zeroStockHidden(), c.hiddenAfter);
        EXPECT_EQ(fresh.data.stockQuery.recordCount(), c.hiddenAfter ? 1 : 2);
    }
}

TEST_F(LoginTest, ShowingWritesTheDesktopShortcutOverAnOldOne)
{
    const QString file = shop.desktop.folder + QStringLiteral("/Tolvane服装销售管理软件.desktop");
    QDir().mkpath(shop.desktop.folder);
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("stale");
    }
    login->show();

    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(written.readAll()).split(u'\n');
    EXPECT_EQ(lines.value(0), QStringLiteral("[Desktop Entry]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Type=Application")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Name=Tolvane服装销售管理软件")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Comment=Tolvane服装销售管理软件")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=\"%1\"").arg(QCoreApplication::applicationFilePath())));
    EXPECT_TRUE(lines.contains(QStringLiteral("Path=") + QDir::currentPath()));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString &l) { return l.startsWith("Icon="); }));
    EXPECT_TRUE(written.permissions() & QFile::ExeOwner);
}

TEST_F(LoginTest, ADesktopThatCannotTakeTheShortcutDoesNotStopTheLogin)
{
    // The desktop "folder" is a plain file, so nothing can be written into it.
    QFile blocker(shop.desktop.folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    login->show();
    attempt(kAdmin, QStringLiteral("927"));

    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    EXPECT_EQ(logRows(), 1);
}

} // namespace
