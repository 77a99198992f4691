#include "users/usermanagementwindow.h"

#include "common/appcontext.h"
#include "common/guard.h"
#include "common/messages.h"
#include "common/passwordhash.h"
#include "data/datamodule.h"
#include "users/usertable.h"
#include "widgets/passwordfield.h"
#include "widgets/windowplacement.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Enter on a focused button presses it.
    b->setAutoDefault(true);
    return b;
}

// The top of a tab that acts on the user picked in the list: the hint and a read-only field
// showing that user.
QLineEdit *addPickedNameField(QVBoxLayout *layout, const QString &name, QWidget *tab)
{
    layout->addWidget(new QLabel(QStringLiteral("请在左边列表中选择用户"), tab));
    layout->addWidget(new QLabel(QStringLiteral("你选择的用户名："), tab));
    auto *field = new QLineEdit(tab);
    field->setObjectName(name);
    field->setReadOnly(true);
    layout->addWidget(field);
    return field;
}

} // namespace

UserManagementWindow::UserManagementWindow(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_ctx(ctx), m_adminPassword(new PasswordField(this)), m_unlockButton(button(QStringLiteral("登录"), QStringLiteral("unlockButton"), this)),
      m_listBox(new QGroupBox(QStringLiteral("用户列表"), this)), m_users(new QListWidget(m_listBox)), m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("Tuserglfm"));
    setWindowTitle(QStringLiteral("用户管理—(管理员专用)"));
    setFixedSize(kWidth, kHeight);

    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(new QLabel(QStringLiteral("管理员密码："), this));
    m_adminPassword->setObjectName(QStringLiteral("adminPassword"));
    left->addWidget(m_adminPassword);
    left->addWidget(m_unlockButton);
    QPushButton *exitButton = button(QStringLiteral("退出"), QStringLiteral("exitButton"), this);
    left->addWidget(exitButton);
    left->addStretch();

    auto *listLayout = new QVBoxLayout(m_listBox);
    listLayout->setContentsMargins(4, 4, 4, 4);
    m_users->setObjectName(QStringLiteral("userList"));
    listLayout->addWidget(m_users);

    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(buildResetTab(), QStringLiteral("初始化密码"));
    m_tabs->addTab(buildAddTab(), QStringLiteral("增加用户"));
    m_tabs->addTab(buildDeleteTab(), QStringLiteral("删除用户"));

    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(5, 5, 5, 5);
    columns->setSpacing(4);
    columns->addLayout(left, 0);
    columns->addWidget(m_listBox, 0);
    columns->addWidget(m_tabs, 1);
    // Narrow columns on the left, so the three tabs fit side by side on the right.
    m_adminPassword->setFixedWidth(84);
    m_listBox->setFixedWidth(92);
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));

    // Nothing but the password can be used until the superadministrator's password is given.
    m_listBox->setEnabled(false);
    m_tabs->setEnabled(false);

    connect(m_adminPassword, &QLineEdit::returnPressed, m_unlockButton, [this] { m_unlockButton->setFocus(); });
    connect(m_unlockButton, &QPushButton::clicked, this, &UserManagementWindow::unlock);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_users, &QListWidget::currentTextChanged, this, &UserManagementWindow::userPicked);
    connect(m_users, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { userPicked(item->text()); });
}

QWidget *UserManagementWindow::buildResetTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    m_resetName = addPickedNameField(layout, QStringLiteral("resetName"), tab);
    auto *buttons = new QHBoxLayout;
    QPushButton *reset = button(QStringLiteral("初始化密码"), QStringLiteral("resetButton"), tab);
    QPushButton *hint = button(QStringLiteral("提示"), QStringLiteral("hintButton"), tab);
    buttons->addWidget(reset);
    buttons->addWidget(hint);
    layout->addLayout(buttons);
    connect(reset, &QPushButton::clicked, this, &UserManagementWindow::resetPassword);
    connect(hint, &QPushButton::clicked, this, [this] {
        m_ctx.messages.info(QStringLiteral("初始化口令用于忘记密码的用户，将口令更改为:") + passwordhash::initialPassword());
    });
    return tab;
}

QWidget *UserManagementWindow::buildAddTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(new QLabel(QStringLiteral("新增用户名："), tab));
    m_newName = new QLineEdit(tab);
    m_newName->setObjectName(QStringLiteral("newName"));
    layout->addWidget(m_newName);
    QPushButton *add = button(QStringLiteral("增加用户"), QStringLiteral("addButton"), tab);
    layout->addWidget(add);
    layout->addStretch();
    connect(m_newName, &QLineEdit::returnPressed, this, &UserManagementWindow::addUser);
    connect(add, &QPushButton::clicked, this, &UserManagementWindow::addUser);
    return tab;
}

QWidget *UserManagementWindow::buildDeleteTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    m_deleteName = addPickedNameField(layout, QStringLiteral("deleteName"), tab);
    QPushButton *remove = button(QStringLiteral("删除用户"), QStringLiteral("deleteButton"), tab);
    layout->addWidget(remove);
    connect(remove, &QPushButton::clicked, this, &UserManagementWindow::deleteUser);
    return tab;
}

void UserManagementWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || m_placed)
        return;
    m_placed = true;
    centreOnScreen(this);
    refillUsers();
    m_adminPassword->setFocus();
}

void UserManagementWindow::closeEvent(QCloseEvent *event)
{
    m_ctx.data.workQuery.close();
    QWidget::closeEvent(event);
}

void UserManagementWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc is "退出".
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void UserManagementWindow::refillUsers()
{
    const QSignalBlocker quiet(m_users);
    m_users->clear();
    guarded(m_ctx.messages, [&] { m_users->addItems(usertable::names(m_ctx.data.workQuery)); });
}

void UserManagementWindow::userPicked(const QString &name)
{
    m_resetName->setText(name);
    m_deleteName->setText(name);
}

void UserManagementWindow::unlock()
{
    guarded(m_ctx.messages, [&] {
        const QString password = m_adminPassword->text().trimmed();
        if (usertable::matchingRow(m_ctx.data.workQuery, Session::superAdminName(), password) < 0) {
            m_ctx.messages.info(QStringLiteral("密码不对！"));
            return;
        }
        m_ctx.messages.info(QStringLiteral("超级管理员登录成功！"));
        m_listBox->setEnabled(true);
        m_tabs->setEnabled(true);
        m_adminPassword->clear();
    });
}

void UserManagementWindow::resetPassword()
{
    guarded(m_ctx.messages, [&] {
        const QString name = m_resetName->text().trimmed();
        if (name.isEmpty()) {
            m_ctx.messages.info(QStringLiteral("请选择用户名！"));
            return;
        }
        if (usertable::resetPassword(m_ctx.data.workQuery, name) == 0) {
            m_ctx.messages.info(QStringLiteral("没有找到用户：%1，密码没有初始化！").arg(name));
            return;
        }
        m_ctx.messages.info(QStringLiteral("已经成功将密码初始化为：") + passwordhash::initialPassword());
    });
}

void UserManagementWindow::addUser()
{
    guarded(m_ctx.messages, [&] {
        const QString name = m_newName->text().trimmed();
        if (name == Session::superAdminName()) {
            m_ctx.messages.info(QStringLiteral("超级管理员只能有一个，不能增加"));
            return;
        }
        if (name.isEmpty()) {
            m_ctx.messages.info(QStringLiteral("请选择用户名！"));
        } else if (usertable::hasUser(m_ctx.data.workQuery, name)) {
            // A second row of the same name would lock that user out of the login.
            m_ctx.messages.info(QStringLiteral("用户 %1 已经存在，不能重复增加！").arg(name));
            return;
        } else {
            usertable::add(m_ctx.data.workQuery, name);
            m_ctx.messages.info(QStringLiteral("成功添加新用户！缺省口令是：%1,请此用户下次登录时及时修改口令！")
                                    .arg(passwordhash::initialPassword()));
        }
        refillUsers();
    });
}

void UserManagementWindow::deleteUser()
{
    guarded(m_ctx.messages, [&] {
        const QString name = m_deleteName->text().trimmed();
        if (name == Session::superAdminName()) {
            m_ctx.messages.info(QStringLiteral("超级管理员不能删除！"));
            return;
        }
        if (name.isEmpty()) {
            m_ctx.messages.info(QStringLiteral("请选择用户"));
            return;
        }
        if (m_ctx.messages.confirmYesNo(QStringLiteral("删除用户"), QStringLiteral("你真的要删除用户：%1吗?").arg(name))) {
            if (usertable::remove(m_ctx.data.workQuery, name) == 0) {
                m_ctx.messages.info(QStringLiteral("没有找到用户：%1，没有删除！").arg(name));
            } else {
                m_ctx.messages.info(QStringLiteral("成功删除！"));
                m_deleteName->clear();
            }
        }
        refillUsers();
    });
}
