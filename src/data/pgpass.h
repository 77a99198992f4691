#pragma once

#include <QString>

// libpq's own password file (~/.pgpass), where every PostgreSQL tool finds a server's password:
// one line "host:port:database:user:password" per server account. The program never keeps a
// password itself; when the person asks, it writes their line into this file for them.
namespace pgpass {

struct Account {
    QString host;
    QString port;
    QString database;
    QString user;
};

// The line for `account` and `password`, with ":" and "\" escaped as libpq reads them.
QString line(const Account &account, const QString &password);

// Puts the line into the password file `fileName` (by default libpq's: $PGPASSFILE or ~/.pgpass),
// replacing the line of the same account and keeping every other line; the file is readable by
// its owner only (libpq ignores a file others can read). Raises UserVisibleError when the file
// cannot be written; the old file then stays as it was.
void store(const Account &account, const QString &password, const QString &fileName = {});

// libpq's password file for this user.
QString defaultFile();

} // namespace pgpass
