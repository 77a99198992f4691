#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Points this process's CUPS client (and Qt's printer list, which asks the same client) at the
// scheduler listening on `socket`, with no default printer chosen by the user's environment, and
// restores the previous setting afterwards. A socket where nothing listens means "no printers".
class CupsClientOverride {
public:
    explicit CupsClientOverride(const QString &socket);
    ~CupsClientOverride();
    CupsClientOverride(const CupsClientOverride &) = delete;
    CupsClientOverride &operator=(const CupsClientOverride &) = delete;

    // The printer this process takes as its default.
    void setDefaultPrinter(const QString &name);

private:
    struct Saved {
        const char *name;
        std::optional<QByteArray> value;
    };
    QList<Saved> m_saved;
};

// A CUPS scheduler of the test's own: cupsd running in a temporary folder, listening only on a
// unix socket there, with its queues, spool and logs in that folder; stopped when the object
// goes. The client of this process talks to it for as long as the object lives.
class PrivateCups {
public:
    PrivateCups();
    ~PrivateCups();

    // Why the scheduler is not running (with the end of its log); empty when it runs.
    QString error() const { return m_error; }
    QString socket() const { return m_dir.filePath(QStringLiteral("cups.sock")); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // What a queue does with the jobs it accepts.
    enum class Driver {
        PassThrough, // writes each job's document as it came into the output file
        Failing,     // its filter fails on every document: the scheduler stops the job
    };
    // Adds a queue that accepts jobs, with the given driver and `outputFile` as its device.
    // Empty text on success, else what the administration tool said.
    QString addQueue(const QString &name, const QString &outputFile, Driver driver = Driver::PassThrough);
    // Runs a CUPS administration tool (lpadmin, cupsreject, cupsdisable …) against this
    // scheduler. Empty text on success, else what the tool said.
    QString admin(const QString &tool, const QStringList &arguments);
    void setDefaultPrinter(const QString &name) { m_client->setDefaultPrinter(name); }
    // The jobs the scheduler still holds (not completed, cancelled or aborted) on a queue.
    int unfinishedJobs(const QString &queue);

private:
    QString start();
    QString writeDriver(Driver driver, QString &ppd);
    QString logTail() const;

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_error;
    std::optional<CupsClientOverride> m_client;
};
