#pragma once

#include <QDateTime>
#include <QString>

class Database;
class HealthGate;
class Messages;

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

// Maps the fonts the program asks for by name ("宋体", "SimSun", Arial) to installed ones.
void installFontSubstitutions();
