#include "maintenance/connectionwindow.h"

#include "common/messages.h"
#include "maintenance/connectionchoice.h"
#include "maintenance/serverfields.h"
#include "widgets/busycursor.h"
#include "widgets/ink.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ConnectionWindow::ConnectionWindow(Settings &settings, Messages &messages, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_messages(messages)
{
    setWindowTitle(QStringLiteral("数据库连接"));
    setObjectName(QStringLiteral("connectionWindow"));
    auto *layout = new QVBoxLayout(this);
    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("reasonLabel"));
    m_reason->setWordWrap(true);
    m_reason->hide();
    layout->addWidget(m_reason);

    m_file = new QRadioButton(QStringLiteral("本机数据文件（程序文件夹中的 data.db，只有这台电脑使用）"), this);
    m_file->setObjectName(QStringLiteral("fileChoice"));
    m_server = new QRadioButton(QStringLiteral("服务器（几台收银电脑共用一个 PostgreSQL 数据库）"), this);
    m_server->setObjectName(QStringLiteral("serverChoice"));
    auto *group = new QButtonGroup(this);
    group->addButton(m_file);
    group->addButton(m_server);
    layout->addWidget(m_file);
    layout->addWidget(m_server);

    m_fields = new ServerFields(this);
    layout->addWidget(m_fields);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    ink::apply(m_note, ink::Kind::Hint);
    layout->addWidget(m_note);
    setReason({});

    auto *buttons = new QDialogButtonBox(this);
    m_test = buttons->addButton(QStringLiteral("测试连接"), QDialogButtonBox::ActionRole);
    m_test->setObjectName(QStringLiteral("testButton"));
    m_ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("okButton"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(buttons);
    connect(m_test, &QPushButton::clicked, this, &ConnectionWindow::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConnectionWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConnectionWindow::reject);
    connect(m_server, &QRadioButton::toggled, this, &ConnectionWindow::followChoice);

    const ConnectionChoice stored = ConnectionChoice::stored(m_settings);
    m_fields->show(stored);
    (stored.onServer ? m_server : m_file)->setChecked(true);
    followChoice();
}

void ConnectionWindow::setReason(const QString &text)
{
    m_reason->setText(text);
    ink::apply(m_reason, ink::Kind::Warning);
    m_reason->setVisible(!text.isEmpty());
    // Opened because the start failed, the choice is tried at once; otherwise at the next start.
    const QString password = QStringLiteral("程序不保存密码：密码由 ~/.pgpass 或 ~/.pg_service.conf 提供。");
    m_note->setText(text.isEmpty() ? password + QStringLiteral("\n更改在下次启动程序时生效。") : password);
}

void ConnectionWindow::followChoice()
{
    m_fields->setEnabled(m_server->isChecked());
    m_test->setEnabled(m_server->isChecked());
}

void ConnectionWindow::testConnection()
{
    const ConnectionChoice choice = m_fields->choice();
    if (const QString missing = choice.missing(); !missing.isEmpty()) {
        m_messages.warning(missing);
        return;
    }
    bool empty = false;
    QString problem;
    {
        const WaitCursor hourglass;
        problem = serverProblem(choice.conninfo(m_fields->password()), &empty);
    }
    if (problem.isEmpty())
        m_messages.info(QStringLiteral("连接成功：服务器上的这个数据库是本软件的店铺数据库。"));
    else if (empty)
        m_messages.info(QStringLiteral("连接成功，但服务器上的这个数据库是空的。\n"
                                       "启动时程序会询问是否在其中建立店铺数据库；"
                                       "已有数据的店铺请用“迁移到服务器”把数据复制过去。"));
    else
        m_messages.error(problem);
}

void ConnectionWindow::accept()
{
    ConnectionChoice choice = m_server->isChecked() ? m_fields->choice() : ConnectionChoice::stored(m_settings);
    choice.onServer = m_server->isChecked();
    if (const QString missing = choice.missing(); !missing.isEmpty()) {
        m_messages.warning(missing);
        return;
    }
    if (choice.onServer && !m_fields->storePasswordIfAsked(m_messages))
        return;
    if (!choice.store(m_settings, m_messages))
        return;
    QDialog::accept();
}
