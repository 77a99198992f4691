#include "users/logindialog.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/desktop.h"
#include "common/guard.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "users/desktopshortcut.h"
#include "users/loginlog.h"
#include "users/usertable.h"
#include "widgets/passwordfield.h"

#include "common/version.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int kWidth = 371;
constexpr int kHeight = 160;
constexpr int kBannerHeight = 34;
} // namespace

LoginDialog::LoginDialog(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_userList(new QComboBox(this)), m_password(new PasswordField(this)),
      m_loginButton(new QPushButton(QStringLiteral("登 录"), this))
{
    setObjectName(QStringLiteral("Tloginfm"));
    setWindowTitle(QStringLiteral("用户登录"));
    // A fixed dialog whose only way out is the close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    // The window paints its own light background: its labels stay dark whatever skin is chosen.
    QPalette ink;
    ink.setColor(QPalette::WindowText, QColor(20, 30, 50));
    setPalette(ink);
    buildControls();

    // Picking a name, or Enter in the list, moves on to the password; Enter there logs in.
    connect(m_userList, &QComboBox::activated, m_password, [this] { m_password->setFocus(); });
    connect(m_userList->lineEdit(), &QLineEdit::returnPressed, m_password, [this] { m_password->setFocus(); });
    connect(m_password, &QLineEdit::returnPressed, this, &LoginDialog::logIn);
    connect(m_loginButton, &QPushButton::clicked, this, &LoginDialog::logIn);
}

void LoginDialog::buildControls()
{
    auto label = [this](const QString &text, const QRect &where) {
        auto *l = new QLabel(text, this);
        l->setGeometry(where);
        return l;
    };
    label(QStringLiteral("用户名称："), QRect(46, 48, 74, 24));
    m_userList->setObjectName(QStringLiteral("userList"));
    m_userList->setEditable(true);
    m_userList->setInsertPolicy(QComboBox::NoInsert);
    m_userList->setGeometry(120, 48, 190, 24);

    label(QStringLiteral("输入密码："), QRect(46, 80, 74, 24));
    m_password->setObjectName(QStringLiteral("passwordField"));
    m_password->setGeometry(120, 80, 190, 24);

    QLabel *hint = label(QStringLiteral("初始登陆密码：927"), QRect(46, 124, 160, 24));
    hint->setObjectName(QStringLiteral("passwordHint"));
    hint->setStyleSheet(QStringLiteral("color: #5a6b80;"));

    m_loginButton->setObjectName(QStringLiteral("loginButton"));
    // Enter is handled by the fields themselves, never by a default button.
    m_loginButton->setAutoDefault(false);
    m_loginButton->setDefault(false);
    m_loginButton->setGeometry(230, 118, 80, 30);
}

void LoginDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(232, 241, 252));
    background.setColorAt(1, QColor(250, 252, 255));
    painter.fillRect(rect(), background);
    QLinearGradient banner(0, 0, width(), 0);
    banner.setColorAt(0, QColor(38, 92, 160));
    banner.setColorAt(1, QColor(96, 156, 220));
    painter.fillRect(QRect(0, 0, width(), kBannerHeight), banner);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(14, 0, width() - 28, kBannerHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromUtf8(version::kTitle));
}

void LoginDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The shortcut is a convenience: a desktop that cannot take it does not stop the login.
    desktopshortcut::write(m_ctx.desktop.desktopFolder(), QCoreApplication::applicationFilePath(),
                           QDir::currentPath());
    guarded(m_ctx.messages, [&] {
        routines::fillList(m_ctx.data.workQuery, QStringLiteral("username"), QStringLiteral("userdb"), m_userList);
    });
    m_userList->setFocus();
    if (m_userList->count() > 0)
        m_userList->setCurrentIndex(0);
}

void LoginDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape would abandon the login and end the program; only the close box does that.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LoginDialog::logIn()
{
    bool recorded = false;
    guarded(m_ctx.messages, [&] {
        // The name is taken as it stands; blanks around the password are not part of it.
        const QString user = m_userList->currentText();
        const QString password = m_password->text().trimmed();
        if (!routines::requireField(m_ctx.messages, m_userList, QStringLiteral("必须选择用户！")))
            return;
        if (!routines::requireField(m_ctx.messages, m_password, QStringLiteral("必须输入密码！")))
            return;
        if (!credentialsMatch(user, password)) {
            m_ctx.messages.info(QStringLiteral("密码不正确！请重新输入！"));
            m_password->clear();
            m_password->setFocus();
            return;
        }
        recordLogin(user);
        recorded = true;
    });
    if (!recorded)
        return;
    m_succeeded = true;
    emit loggedIn();
    accept();
}

bool LoginDialog::credentialsMatch(const QString &user, const QString &password)
{
    return usertable::matchingRow(m_ctx.data.workQuery, user, password) >= 0;
}

void LoginDialog::recordLogin(const QString &user)
{
    loginlog::record(m_ctx, user);
}
