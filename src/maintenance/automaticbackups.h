#pragma once

#include <QDateTime>
#include <QFileInfoList>
#include <QString>

// The backups the program writes by itself each time it closes normally: in the folder "备份"
// beside the database file, named after the time ("data-yyyyMMdd-hhmmss.db"), the newest seven
// kept.
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

} // namespace automaticbackups
