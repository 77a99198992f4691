#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of the tests' own: a cluster made with initdb in a temporary folder,
// listening only on a Unix socket there, run by an unprivileged user when the tests run as root
// (the server refuses root). Nothing of the machine's own PostgreSQL is used or touched. One
// server serves the whole test run; each test takes a database of its own from it.
class PrivatePostgres {
public:
    // The running server, started at the first call; stopped when the test program ends.
    static PrivatePostgres &instance();

    // Why the server is not running (with the end of its log); empty when it runs.
    QString error() const { return m_error; }
    // A libpq connection string for `database` on this server.
    QString conninfo(const QString &database) const;
    // Makes a new, empty database and returns its connection string.
    QString freshDatabase();
    // The same, returning the new database's name.
    QString newDatabase();
    // Where a client finds the server (the "host" of a connection: the socket's folder), and the
    // user the tests connect as.
    QString socketFolder() const { return m_dir.path(); }
    static QString user();

    ~PrivatePostgres();

private:
    PrivatePostgres();
    QString run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_dir;
    QString m_error;
    int m_databases = 0;
    bool m_started = false;
};
