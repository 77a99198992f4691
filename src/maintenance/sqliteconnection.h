#pragma once

#include <QString>

struct sqlite3;

// A connection of its own to a database file, apart from the program's one connection: for
// checking and copying files while the program's connection is closed. Closed when it goes out
// of scope.
class SqliteConnection {
public:
    // Raises UserVisibleError with `failure` (%1 the file, %2 the cause) when it cannot be opened.
    SqliteConnection(const QString &file, int flags, const QString &failure);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    sqlite3 *handle() const { return m_db; }
    // The cause of the last failure on this connection, in words a shop assistant can read.
    QString errorText() const;
    // Closes now; false when what was pending could not be written.
    bool close();

    // The cause behind an SQLite result code, in Chinese where the code is a common one.
    static QString causeText(int code);

private:
    sqlite3 *m_db = nullptr;
};
