#include "users/passwordchangewindow.h"

#include "common/appcontext.h"
#include "common/guard.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "users/usertable.h"
#include "widgets/enterchain.h"
#include "widgets/passwordfield.h"
#include "widgets/windowplacement.h"
#include "widgets/ink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

PasswordChangeWindow::PasswordChangeWindow(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_ctx(ctx), m_user(new QComboBox(this)), m_old(new PasswordField(this)), m_new(new PasswordField(this)),
      m_repeat(new PasswordField(this)), m_changeButton(new QPushButton(QStringLiteral("更改密码"), this)),
      m_closeWhenDone(new QCheckBox(QStringLiteral("更改完毕退出"), this))
{
    setObjectName(QStringLiteral("Tchangepassfm"));
    setWindowTitle(QStringLiteral("更改密码"));
    setFixedSize(kWidth, kHeight);

    m_user->setObjectName(QStringLiteral("userList"));
    m_old->setObjectName(QStringLiteral("oldPassword"));
    m_new->setObjectName(QStringLiteral("newPassword"));
    m_repeat->setObjectName(QStringLiteral("repeatPassword"));
    m_changeButton->setObjectName(QStringLiteral("changeButton"));
    m_changeButton->setAutoDefault(true); // Enter on the focused button presses it
    auto *exitButton = new QPushButton(QStringLiteral("退出"), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    exitButton->setAutoDefault(true);
    m_closeWhenDone->setObjectName(QStringLiteral("closeWhenDone"));
    m_closeWhenDone->setChecked(true);

    auto *fields = new QGridLayout;
    fields->setVerticalSpacing(3);
    const std::pair<const char *, QWidget *> rows[] = {
        {"选择操作员", m_user}, {"输入旧密码", m_old}, {"输入新密码", m_new}, {"新密码重复", m_repeat}};
    int row = 0;
    for (const auto &[caption, field] : rows) {
        fields->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    }
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_changeButton);
    buttons->addWidget(exitButton);
    buttons->addStretch();
    buttons->addWidget(m_closeWhenDone);
    auto *top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->setSpacing(2);
    layout->addLayout(top);
    auto *hint = new QLabel(QStringLiteral("提示：密码只能输入字母和数字，最长10个字符！"), this);
    hint->setObjectName(QStringLiteral("hint"));
    ink::apply(hint, ink::Kind::Hint);
    layout->addWidget(hint);

    // Picking a name moves on to the old password; Enter moves along the passwords to the button.
    connect(m_user, &QComboBox::activated, m_old, [this] { m_old->setFocus(); });
    auto *enter = new EnterChain(this);
    enter->chain({m_old, m_new, m_repeat, m_changeButton});
    connect(m_changeButton, &QPushButton::clicked, this, &PasswordChangeWindow::changePassword);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
}

void PasswordChangeWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || m_placed)
        return;
    m_placed = true;
    centreOnScreen(this);
    // The superadministrator may change any user's password; every other user only their own.
    if (m_ctx.session.isSuperAdmin() || m_ctx.session.userName.isEmpty()) {
        guarded(m_ctx.messages, [&] {
            routines::fillList(m_ctx.data.workQuery, QStringLiteral("username"), QStringLiteral("userdb"), m_user);
        });
        m_user->setFocus();
    } else {
        m_user->clear();
        m_user->addItem(m_ctx.session.userName);
        m_user->setCurrentIndex(0);
        m_user->setEnabled(false);
        m_old->setFocus();
    }
}

void PasswordChangeWindow::closeEvent(QCloseEvent *event)
{
    m_ctx.data.workQuery.close();
    QWidget::closeEvent(event);
}

void PasswordChangeWindow::changePassword()
{
    guarded(m_ctx.messages, [&] {
        Messages &messages = m_ctx.messages;
        const QString user = m_user->currentText();
        if (!m_ctx.session.isSuperAdmin() && !m_ctx.session.userName.isEmpty() && user != m_ctx.session.userName) {
            messages.info(QStringLiteral("只能修改自己的密码！"));
            return;
        }
        const QString oldPassword = m_old->text().trimmed();
        const QString newPassword = m_new->text().trimmed();
        if (m_user->currentIndex() < 0) {
            messages.warning(QStringLiteral("必须选择操作员！"));
            m_user->setFocus();
            return;
        }
        if (!routines::requireField(messages, m_old, QStringLiteral("必须输入旧口令！")))
            return;
        if (!routines::requireField(messages, m_new, QStringLiteral("新口令长度不能为空！")))
            return;
        if (newPassword != m_repeat->text().trimmed()) {
            messages.info(QStringLiteral("两次输入的密码不一致！请重新输入！"));
            m_repeat->clear();
            m_repeat->setFocus();
            return;
        }
        const long long row = usertable::matchingRow(m_ctx.data.workQuery, user, oldPassword);
        if (row < 0) {
            messages.info(QStringLiteral("旧口令不正确！"));
            m_old->clear();
            m_old->setFocus();
            return;
        }
        if (!usertable::setPassword(m_ctx.data.workQuery, row, newPassword)) {
            messages.info(QStringLiteral("密码没有修改：没有找到用户 %1！").arg(user));
            return;
        }
        messages.info(QStringLiteral("你已经成功修改了密码！下次运行程序时生效！"));
        if (m_closeWhenDone->isChecked())
            close();
        for (PasswordField *field : {m_old, m_new, m_repeat})
            field->clear();
    });
}
