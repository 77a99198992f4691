#pragma once

#include "data/healthcheck.h"

#include <QObject>
#include <functional>

class Database;
class Messages;

// Checks the database file while the program starts (from shortly after, so the windows come up
// first) and holds every write back until the verdict is known: a sound file is written to as usual. For a damaged file the user is told and chooses:
// go on (writes allowed, e.g. to log in and restore a backup) or end the program with the file
// left as it is. A write that comes before the verdict waits for it.
class HealthGate : public QObject {
    Q_OBJECT
public:
    enum class Writes {
        Allowed, // no check running, the file is sound, or the user chose to go on
        Waiting, // the check runs: a write waits for its verdict
        Asking,  // the user is being asked what to do with the damaged file
        Refused, // the file is damaged and the user chose to end the program
    };

    // `endProgram` is called once when the user chooses not to go on with a damaged file.
    HealthGate(Database &db, Messages &messages, std::function<void()> endProgram, QObject *parent = nullptr);
    ~HealthGate() override;

    // Starts checking the database's file and holds writes back until the verdict.
    void start();
    Writes writes() const { return m_writes; }

private:
    // How long after start() the check begins unless a write needs its verdict sooner.
    static constexpr int kCheckDelayMs = 400;
    void beginCheck();
    void guardWrite();
    void settle(const HealthReport &report);
    [[noreturn]] void refuse() const;

    Database &m_db;
    Messages &m_messages;
    std::function<void()> m_endProgram;
    HealthCheck m_check;
    HealthReport m_report;
    Writes m_writes = Writes::Allowed;
};
