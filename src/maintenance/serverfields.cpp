#include "maintenance/serverfields.h"

#include "common/errors.h"
#include "common/messages.h"
#include "data/database.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>

namespace {

QLineEdit *field(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

ServerFields::ServerFields(QWidget *parent) : QWidget(parent)
{
    auto *form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    m_host = field("hostField", this);
    m_host->setPlaceholderText(QStringLiteral("服务器的名称或 IP 地址"));
    m_port = field("portField", this);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_database = field("databaseField", this);
    m_user = field("userField", this);
    m_user->setPlaceholderText(QStringLiteral("不填则用本机登录名"));
    m_password = field("passwordField", this);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(QStringLiteral("已写在 ~/.pgpass 中则不用填"));
    m_save = new QCheckBox(QStringLiteral("把密码保存到本机的密码文件 ~/.pgpass（只有本人能读）"), this);
    m_save->setObjectName(QStringLiteral("savePasswordBox"));
    form->addRow(QStringLiteral("主机："), m_host);
    form->addRow(QStringLiteral("端口："), m_port);
    form->addRow(QStringLiteral("数据库："), m_database);
    form->addRow(QStringLiteral("用户："), m_user);
    form->addRow(QStringLiteral("密码："), m_password);
    form->addRow(QString(), m_save);
}

void ServerFields::show(const ConnectionChoice &choice)
{
    m_host->setText(choice.host);
    m_port->setText(choice.port);
    m_database->setText(choice.database);
    m_user->setText(choice.user);
    m_password->clear();
    m_save->setChecked(false);
}

ConnectionChoice ServerFields::choice() const
{
    ConnectionChoice choice;
    choice.onServer = true;
    choice.host = m_host->text().trimmed();
    choice.port = m_port->text().trimmed();
    choice.database = m_database->text().trimmed();
    choice.user = m_user->text().trimmed();
    return choice;
}

QString ServerFields::password() const
{
    return m_password->text();
}

bool ServerFields::savePassword() const
{
    return m_save->isChecked();
}

bool ServerFields::storePasswordIfAsked(Messages &messages) const
{
    if (!savePassword())
        return true;
    if (password().isEmpty()) {
        messages.warning(QStringLiteral("要保存密码，请先填写密码。"));
        return false;
    }
    try {
        pgpass::store(choice().account(), password());
        return true;
    } catch (const UserVisibleError &e) {
        messages.error(e.text());
        return false;
    }
}

QString serverProblem(const QString &conninfo, bool *emptyDatabase)
{
    if (emptyDatabase)
        *emptyDatabase = false;
    try {
        Database probe(ServerAddress{conninfo});
        probe.open();
        return {};
    } catch (const EmptyServerDatabaseError &e) {
        if (emptyDatabase)
            *emptyDatabase = true;
        return e.text();
    } catch (const DbError &e) {
        return e.text();
    }
}
