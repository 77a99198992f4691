#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A PostgreSQL server of the tests' own: a cluster made with initdb in a temporary folder,
// listening only on a Unix socket there, run by an unprivileged user when the tests run as root
// (the server refuses root). Nothing of the machine's own PostgreSQL is used or touched. One
// server serves the whole test run; each test takes a database of its own from it.
class PrivatePostgres {
public:
    // The running server, started at the first call; stopped when the test program ends.
    static PrivatePostgres &instance();

    // A server whose cluster stays in `keptFolder` when it stops, for a later run to start again
    // with its databases: a cluster found there is started (after stopping a server a run cut
    // short left running on it); when there is none, or it does not start, the folder is emptied
    // and a cluster made anew. No other program may use the folder meanwhile.
    explicit PrivatePostgres(const QString &keptFolder);

    // Why the server is not running (with the end of its log); empty when it runs.
    QString error() const { return m_error; }
    // Why a kept cluster was made anew (empty when it was started as found, or made the first time).
    QString remadeBecause() const { return m_remadeBecause; }
    // A libpq connection string for `database` on this server.
    QString conninfo(const QString &database) const;
    // Makes a new, empty database and returns its connection string.
    QString freshDatabase();
    // The same, returning the new database's name; a copy of the database `fromTemplate` (to which
    // nothing may be connected) when one is named.
    QString newDatabase(const QString &fromTemplate = {});
    // Where a client finds the server (the "host" of a connection: the socket's folder), and the
    // user the tests connect as.
    QString socketFolder() const { return m_folder; }
    static QString user();

    ~PrivatePostgres();

private:
    PrivatePostgres();
    QString run(const QString &program, const QStringList &arguments);
    QString dataFolder() const;
    // initdb in the folder, which the server's user is given when the program runs as root.
    QString makeCluster();
    // Starts the server on the cluster; the reason, with the end of its log, when it does not.
    QString start();
    QString pgCtl(const QStringList &arguments);

    std::unique_ptr<QTemporaryDir> m_temporary;
    QString m_folder;
    bool m_kept = false;
    QString m_error;
    QString m_remadeBecause;
    int m_databases = 0;
    bool m_started = false;
};
