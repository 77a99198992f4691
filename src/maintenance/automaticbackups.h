#pragma once

#include <QDateTime>
#include <QFileInfoList>
#include <QString>

// The backups the program writes by itself each time it closes normally: in the folder "备份"
// beside the database file, named after the time ("data-yyyyMMdd-hhmmss.db"), the newest seven
// kept. A shop on a server has them in the working folder's "备份" as "data-yyyyMMdd-hhmmss.dump":
// its `databaseFile` is then serverbackup::placeholderFile(), whose name ending they take.
namespace automaticbackups {

inline constexpr int kKept = 7;

QString folder(const QString &databaseFile);

// The automatic backups of `databaseFile`, newest first. Other files in the folder are not theirs.
QFileInfoList list(const QString &databaseFile);

// The time an automatic backup was written, read from its name; invalid for another file.
QDateTime writtenAt(const QFileInfo &backup);

// Writes a backup of `databaseFile` made at `now` (databasecopy::copy) and removes the oldest
// automatic backups beyond kKept. Returns the file written; raises UserVisibleError naming the
// cause when it could not be written or an old one could not be removed.
QString write(const QString &databaseFile, const QDateTime &now);

// The same for the shop on the server `conninfo`: a dump (serverbackup::dump) beside the others
// of `placeholderFile`, given up after `timeoutMs`.
QString writeDump(const QString &conninfo, const QString &placeholderFile, const QDateTime &now, int timeoutMs);

} // namespace automaticbackups
