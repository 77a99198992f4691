#pragma once

#include "maintenance/databasecopy.h"

#include <QString>

// Backup and restore of a shop on a PostgreSQL server, by the server's own tools pg_dump and
// pg_restore (Debian package postgresql-client-15) in their custom archive format. A backup holds
// the shop's tables (the four and the program's own) with their keys, indexes and rows; the
// program's functions and triggers are the program's, made by it whenever it opens the database,
// and are never taken from a backup. The connection string goes to the tools as --dbname without
// a password: the password comes from libpq's ~/.pgpass (one written into the connection string
// reaches them through their environment, never their command line).
//
// Progress: the tools tell nothing of how far they are; `progress` is called with (0, 0) about
// twenty times a second while one runs, and returning false stops it.
namespace serverbackup {

// The file name ending of a server backup: "beifen.dump", "data-20140729-183000.dump".
inline constexpr char kSuffix[] = "dump";

// A shop on a server keeps in `workingFolder` what a file shop keeps beside its database file:
// the automatic backups (备份/data-yyyyMMdd-hhmmss.dump) and the copy kept before a restore
// (data-恢复前-yyyyMMdd-hhmmss.dump). This is the name its database file would have there
// (data.dump), for automaticbackups and restore::keptName; no such file is written.
QString placeholderFile(const QString &workingFolder);

// Writes a backup of the shop on the server `conninfo` to `target` (pg_dump --format=custom):
// under a temporary name beside the target, flushed and renamed when pg_dump ended with status 0.
// A failed, cancelled or timed-out backup leaves no partial file, and a file already under the
// target's name stays as it was. `timeoutMs` > 0 stops a run that takes longer. Returns false
// when cancelled; raises UserVisibleError naming the cause (pg_dump missing, server unreachable,
// password, disk full, pg_dump's own words).
bool dump(const QString &conninfo, const QString &target, const CopyProgress &progress = {}, int timeoutMs = 0);

// Why `archive` cannot be restored into the shop on the server `conninfo`, in a sentence for the
// shop assistant; empty when it can. The file is taken as hostile until read through: it must be
// a pg_dump custom archive, readable to its end, holding the four tables with all their columns
// and a superadministrator, and nothing that would run besides the shop's rows (no functions,
// triggers, views, rules or tables of another hand; every statement a restore would run is
// checked). The server is asked only for the name of the shop's schema.
QString problem(const QString &archive, const QString &conninfo);

// Puts the backup `archive` in the place of the shop on the server `conninfo`: checked first
// (problem()), the shop as it is now is written to `keepAs` (dump()), then the backup is restored
// in one transaction (pg_restore --clean --if-exists --single-transaction --no-owner
// --exit-on-error), so a restore that fails or is cancelled leaves the server database as it
// was. Afterwards the program's own functions and triggers are made again and the other tills
// are told that everything changed. Other tills keep working while the backup is checked and the
// copy kept; during the restore itself they wait for it. Returns false when cancelled; raises
// UserVisibleError naming the cause.
bool replaceDatabase(const QString &archive, const QString &conninfo, const QString &keepAs,
                     const CopyProgress &progress = {});

} // namespace serverbackup
