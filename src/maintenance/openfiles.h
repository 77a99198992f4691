#pragma once

#include <QList>
#include <QString>

// Which programs on this computer hold a file open, read from /proc: a restore must not pull the
// database from under a program that uses it, and a temporary file a running copy still writes
// is not a leftover. Programs of other users (whose /proc entries cannot be read) and programs on
// other computers are not seen.
namespace openfiles {

// The process ids that hold `file` open (the same file, whatever name they opened it by), this
// program's own included.
QList<qint64> processesHolding(const QString &file);

} // namespace openfiles
