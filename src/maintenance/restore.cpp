#include "maintenance/restore.h"

#include "common/errors.h"
#include "maintenance/databasefilecheck.h"
#include "maintenance/openfiles.h"
#include "maintenance/safefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace restore {

namespace {

// A journal a crash left beside the database belongs to it: it goes with the kept copy, and it
// must not stay beside the restored file, whose pages it would overwrite on the next open.
const QString kJournal = QStringLiteral("-journal");

} // namespace

QString problem(const QString &backup, const QString &databaseFile)
{
    if (safefile::sameFile(backup, databaseFile))
        return QStringLiteral("所选文件 %1 就是正在使用的数据库，不能用它自己恢复")
            .arg(QDir::toNativeSeparators(backup));
    return databasefilecheck::problem(backup);
}

QString keptName(const QString &databaseFile, const QDateTime &now)
{
    const QFileInfo info(databaseFile);
    const QString stem = QStringLiteral("%1-恢复前-%2").arg(info.completeBaseName(),
                                                             now.toString(QStringLiteral("yyyyMMdd-hhmmss")));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name = info.absoluteDir().filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + kJournal); ++n)
        name = info.absoluteDir().filePath(QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix));
    return name;
}

bool replaceDatabase(const QString &backup, const QString &databaseFile, const QString &keepAs,
                     const CopyProgress &progress)
{
    if (const QString why = problem(backup, databaseFile); !why.isEmpty())
        throw UserVisibleError(why);
    // Another program selling on this file would lose what it writes from now on into the file
    // that is put aside, and every write after that would fail.
    QList<qint64> others = openfiles::processesHolding(databaseFile);
    others.removeAll(QCoreApplication::applicationPid());
    if (!others.isEmpty())
        throw UserVisibleError(QStringLiteral("另一个程序（进程号 %1）正在使用数据库 %2，数据库没有恢复。\n"
                                              "请先关闭其他正在使用这个数据库的程序（包括其他窗口中的本软件），再恢复数据库。")
                                   .arg(others.first())
                                   .arg(QDir::toNativeSeparators(databaseFile)));
    safefile::removeLeftoversIn(QFileInfo(databaseFile).absolutePath());
    const QString copy = safefile::temporaryNameBeside(databaseFile);
    if (!databasecopy::write(backup, copy, progress))
        return false;
    try {
        const QString journal = databaseFile + kJournal;
        if (QFileInfo::exists(databaseFile)) {
            safefile::copy(databaseFile, keepAs);
            if (QFileInfo::exists(journal)) {
                safefile::copy(journal, keepAs + kJournal);
                if (!QFile::remove(journal))
                    throw UserVisibleError(
                        QStringLiteral("无法删除 %1，数据库没有恢复").arg(QDir::toNativeSeparators(journal)));
            }
        }
        safefile::replace(copy, databaseFile);
    } catch (...) {
        safefile::removeWithJournal(copy);
        throw;
    }
    return true;
}

} // namespace restore
