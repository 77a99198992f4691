#pragma once

#include "data/pgpass.h"

#include <QString>

class Messages;
class Settings;

// Where this till keeps the shop: the database file beside the program (data.db in its working
// folder) or a database on a PostgreSQL server. Kept among the settings of this computer; the
// server's password is never among them (libpq reads it from ~/.pgpass or ~/.pg_service.conf).
struct ConnectionChoice {
    bool onServer = false;
    QString host = QStringLiteral("localhost");
    QString port = QStringLiteral("5432");
    QString database = QStringLiteral("tolvane");
    QString user;

    static constexpr int kConnectTimeoutSeconds = 5;

    // The choice stored on this computer; a computer that never chose keeps the file.
    static ConnectionChoice stored(const Settings &settings);
    // Stores the choice; false (the user told why) when it could not be stored.
    bool store(Settings &settings, Messages &messages) const;

    // The libpq connection string of the server: every value quoted as libpq reads it, an empty
    // one left to libpq's defaults, and a time limit so an unreachable server does not hang the
    // till. `password`, when given, is used for this one connection and never stored.
    QString conninfo(const QString &password = {}) const;
    pgpass::Account account() const { return {host, port, database, user}; }
    // What is missing before the server can be tried, in words; empty when nothing is.
    QString missing() const;
};
