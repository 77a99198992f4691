#pragma once

#include <QObject>
#include <QTimer>

class Database;

// Notices, on a timer, what other programs sharing the database file did to it: a write they
// committed, or the file replaced by another one (a restore). A look costs one PRAGMA that reads
// no table and one stat of the file; it is skipped while this program is in the middle of a group
// of writes or has no connection open.
class ExternalChanges : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 400;

    explicit ExternalChanges(Database &db, QObject *parent = nullptr);

    void start(int intervalMs = kIntervalMs);
    void stop() { m_timer.stop(); }
    // One look now; what it finds is announced.
    void check();

signals:
    // Another program committed a write to the file.
    void written();
    // The file was replaced: the connection still reads the file that was there before.
    void replaced();

private:
    struct FileIdentity {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        bool valid = false;
        bool operator==(const FileIdentity &) const = default;
    };
    FileIdentity identityNow() const;

    Database &m_db;
    QTimer m_timer;
    int m_generation = -1;    // the connection the values below belong to
    long long m_version = -1;
    FileIdentity m_file;
};
