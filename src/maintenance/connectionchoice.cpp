#include "maintenance/connectionchoice.h"

#include "common/settings.h"

#include <QStringList>

namespace {

const QString kWhere = QStringLiteral("lianjie");
const QString kServer = QStringLiteral("server");
const QString kFile = QStringLiteral("file");
const QString kHost = QStringLiteral("pg_host");
const QString kPort = QStringLiteral("pg_port");
const QString kDatabase = QStringLiteral("pg_dbname");
const QString kUser = QStringLiteral("pg_user");

// A value of a libpq connection string: in single quotes, with quote and backslash escaped.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

} // namespace

ConnectionChoice ConnectionChoice::stored(const Settings &settings)
{
    ConnectionChoice choice;
    const QString where = settings.exists() ? settings.read(kWhere) : QString();
    if (where.isEmpty())
        return choice;
    // Once a choice was made its fields stand as typed: an empty host or port is libpq's default
    // (the local socket, 5432), not this window's suggestion.
    choice.onServer = where == kServer;
    choice.host = settings.read(kHost);
    choice.port = settings.read(kPort);
    choice.database = settings.read(kDatabase);
    choice.user = settings.read(kUser);
    return choice;
}

bool ConnectionChoice::store(Settings &settings, Messages &messages) const
{
    // The address first: a till told to use the server always finds where the server is.
    return storeSetting(settings, messages, kHost, host) && storeSetting(settings, messages, kPort, port) &&
           storeSetting(settings, messages, kDatabase, database) && storeSetting(settings, messages, kUser, user) &&
           storeSetting(settings, messages, kWhere, onServer ? kServer : kFile);
}

QString ConnectionChoice::conninfo(const QString &password) const
{
    QStringList parts;
    auto add = [&](const char *keyword, const QString &value) {
        if (!value.trimmed().isEmpty())
            parts << QLatin1String(keyword) + QLatin1Char('=') + quoted(value.trimmed());
    };
    add("host", host);
    add("port", port);
    add("dbname", database);
    add("user", user);
    if (!password.isEmpty())
        parts << QStringLiteral("password=") + quoted(password);
    parts << QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutSeconds);
    parts << QStringLiteral("application_name=tolvane");
    return parts.join(QLatin1Char(' '));
}

QString ConnectionChoice::missing() const
{
    if (!onServer)
        return {};
    if (database.trimmed().isEmpty())
        return QStringLiteral("请填写服务器上的数据库名称。");
    bool ok = false;
    const int number = port.trimmed().toInt(&ok);
    if (!port.trimmed().isEmpty() && (!ok || number <= 0 || number > 65535))
        return QStringLiteral("端口应是 1 到 65535 之间的数字。");
    return {};
}
