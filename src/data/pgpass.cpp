#include "data/pgpass.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace pgpass {
namespace {

QString escaped(QString field)
{
    field.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    field.replace(QLatin1Char(':'), QLatin1String("\\:"));
    return field;
}

// The first four fields of a line, as written (escapes kept), to compare accounts.
QString accountPart(const QString &line)
{
    int fields = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == u'\\') {
            ++i;
            continue;
        }
        if (line.at(i) == u':' && ++fields == 4)
            return line.left(i);
    }
    return {};
}

} // namespace

QString line(const Account &account, const QString &password)
{
    return QStringList{escaped(account.host), escaped(account.port), escaped(account.database), escaped(account.user),
                       escaped(password)}
        .join(QLatin1Char(':'));
}

QString defaultFile()
{
    const QString set = qEnvironmentVariable("PGPASSFILE");
    return set.isEmpty() ? QDir::home().filePath(QStringLiteral(".pgpass")) : set;
}

void store(const Account &account, const QString &password, const QString &fileName)
{
    const QString path = fileName.isEmpty() ? defaultFile() : fileName;
    const QString mine = line(account, password);
    const QString key = accountPart(mine);
    QStringList lines;
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly))
            throw UserVisibleError(QStringLiteral("无法读取密码文件 %1：%2").arg(path, old.errorString()));
        for (const QString &l : QString::fromUtf8(old.readAll()).split(QLatin1Char('\n'))) {
            if (!l.isEmpty() && accountPart(l) != key)
                lines << l;
        }
    }
    lines << mine;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0 || !file.commit())
        throw UserVisibleError(QStringLiteral("无法写入密码文件 %1：%2").arg(path, file.errorString()));
}

} // namespace pgpass
