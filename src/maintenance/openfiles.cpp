#include "maintenance/openfiles.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace openfiles {

QList<qint64> processesHolding(const QString &file)
{
    struct stat wanted {};
    if (::stat(QFile::encodeName(file).constData(), &wanted) != 0)
        return {};
    QList<qint64> holders;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &process : processes) {
        bool isNumber = false;
        const qint64 pid = process.toLongLong(&isNumber);
        if (!isNumber)
            continue;
        const QString fdFolder = QStringLiteral("/proc/%1/fd").arg(process);
        for (const QString &fd : QDir(fdFolder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat held {};
            // stat follows the descriptor's link to the file it holds.
            if (::stat(QFile::encodeName(fdFolder + QLatin1Char('/') + fd).constData(), &held) == 0 &&
                held.st_dev == wanted.st_dev && held.st_ino == wanted.st_ino) {
                holders << pid;
                break;
            }
        }
    }
    return holders;
}

} // namespace openfiles
