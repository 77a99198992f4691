#include "common/desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

bool SystemDesktop::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool SystemDesktop::startProgram(const QStringList &candidates)
{
    for (const QString &name : candidates) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty() && QProcess::startDetached(path, {}))
            return true;
    }
    return false;
}

QString SystemDesktop::desktopFolder() const
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (dir.isEmpty())
        dir = QDir::home().filePath(QStringLiteral("Desktop"));
    return dir;
}
