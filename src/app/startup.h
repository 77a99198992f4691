#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class Database;
class HealthGate;
class Messages;
class Settings;

// The shop database of this run, not yet opened: the server named after `--server` on the command
// line (a libpq connection string), else where this computer's connection choice says — data.db
// in the working folder or a server. A server that cannot be reached, or that holds a database
// not the program's, is named with its cause and `askAgain` offers the choice again (true when
// the person made one); null when the person gives up.
std::unique_ptr<Database> chooseShopDatabase(const QStringList &arguments, Settings &settings,
                                             const std::function<bool(const QString &reason)> &askAgain);

// Opens the shop database at start-up. When the file is missing a new one is created: at once
// when `createWithoutAsking`, otherwise after the user agrees. A file that is not the program's,
// lacks a table or a column, or is held by another program is refused and left untouched.
// Returns false (after telling the user why) when the program cannot go on. With `health`, the
// file's health check starts once the file is known to be the program's, before anything could
// be written to it.
bool openShopDatabase(Database &db, Messages &messages, bool createWithoutAsking, HealthGate *health = nullptr);

// At a normal close: a copy of the day's work among the automatic backups. When it cannot be
// written (the backup folder full or not writable) the user is told so, and that the database
// itself is unharmed.
void writeAutomaticBackup(const QString &databaseFile, const QDateTime &now, Messages &messages);
// The same for the shop's database `db`, a file or on a server; a shop on a server gets a dump in
// the folder "备份" of `workingFolder` (the program's working folder).
void writeAutomaticBackup(const Database &db, const QString &workingFolder, const QDateTime &now, Messages &messages);

// Starts the program once more with this run's arguments, except a server named on the command
// line: the connection chosen on this computer stands. When it cannot start, the person is told
// to start it by hand.
void startProgramAgain(const QStringList &arguments, Messages &messages);

// Maps the fonts the program asks for by name ("宋体", "SimSun", Arial) to installed ones.
void installFontSubstitutions();
