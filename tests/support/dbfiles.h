#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <thread>

struct sqlite3;

// Things that happen to a database file outside the program: another program holding it, a
// damaged page, a file the user may not write.

// The SHA-256 of a file's bytes (empty when it cannot be read).
QByteArray fileChecksum(const QString &fileName);

// Overwrites the first bytes of the root page of `table` (the page header), as a failing disk or
// a cut copy would: reading that table fails, the other tables still read.
void damageTable(const QString &fileName, const QString &table);

// Runs `work` with the rights of an ordinary user when the tests run as root (root may write
// any file), so a file's permission bits count as they would for the shop's user. The folder of
// `fileName` is opened for others to enter meanwhile.
void asOrdinaryUser(const QString &fileName, const std::function<void()> &work);

// Another program's connection to the file, holding a lock on it.
class OtherProgram {
public:
    enum class Lock {
        Writing,   // a write not yet committed: others read, nobody else writes
        Exclusive, // nobody else reads or writes
    };
    OtherProgram(const QString &fileName, Lock lock);
    ~OtherProgram();
    OtherProgram(const OtherProgram &) = delete;
    OtherProgram &operator=(const OtherProgram &) = delete;

    // Lets go of the lock after `milliseconds`, from a thread of its own.
    void releaseAfter(int milliseconds);
    void release();

private:
    sqlite3 *m_db = nullptr;
    std::thread m_releaser;
};
