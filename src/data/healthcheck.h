#pragma once

#include "data/database.h"

#include <QObject>
#include <QString>
#include <future>
#include <thread>

// What a check of the database file found.
struct HealthReport {
    enum class State {
        Sound,   // the engine's quick check found nothing wrong
        Damaged, // it found broken pages or could not read the file's structure
        Unknown, // it could not run (the file is held by another program, cannot be opened)
    };
    State state = State::Unknown;
    QString details; // the engine's findings, or why the check could not run

    bool isDamaged() const { return state == State::Damaged; }
};

// Checks the file with `pragma quick_check` on a read-only connection of its own, so it may run on
// any thread while the program's connection is in use. Only reads. Takes as long as reading the
// whole file once.
HealthReport checkHealth(const QString &fileName, int busyTimeoutMs = Database::kBusyTimeoutMs);

// One check of a file run on a worker thread, so nobody waits for it unless they need its verdict.
class HealthCheck : public QObject {
    Q_OBJECT
public:
    explicit HealthCheck(QObject *parent = nullptr);
    ~HealthCheck() override; // waits for a check still running

    // Starts checking `fileName`; a check started before is waited for first.
    void start(const QString &fileName);
    bool isStarted() const { return m_result.valid(); }
    bool isFinished() const;
    // The report, waiting for the check while it runs. Requires isStarted().
    HealthReport result() const { return m_result.get(); }

signals:
    // The check ended; delivered on the thread this object belongs to.
    void finished(const HealthReport &report);

private:
    std::thread m_worker;
    std::shared_future<HealthReport> m_result;
};
