#pragma once

#include "maintenance/databasecopy.h"

#include <QDateTime>
#include <QString>

// Puts a backup in the place of the database file, losing nothing: the backup is checked first,
// the database it replaces is kept beside it, and the database file is replaced in one step.
namespace restore {

// Why `backup` cannot replace `databaseFile`: the database itself, or not a whole database of
// this program (see databasefilecheck). Empty when it can.
QString problem(const QString &backup, const QString &databaseFile);

// Where the database is kept before a restore made at `now`: "data-恢复前-yyyyMMdd-hhmmss.db"
// beside it, with "-2", "-3" … added when that name is taken.
QString keptName(const QString &databaseFile, const QDateTime &now);

// Replaces the closed database file `databaseFile` by a copy of `backup`. The backup is checked
// first (problem()); a copy of it is written beside the database file and flushed; the database
// file is copied to `keepAs` (with a journal a crash left beside it); then the copy is renamed onto
// the database file. Returns false when cancelled; raises UserVisibleError naming the cause.
// Whenever it does not return true, the database file is as it was.
bool replaceDatabase(const QString &backup, const QString &databaseFile, const QString &keepAs,
                     const CopyProgress &progress = {});

} // namespace restore
