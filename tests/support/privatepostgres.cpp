#include "support/privatepostgres.h"

#include "data/pgconnection.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");
const QString kUser = QStringLiteral("tolvane");

} // namespace

PrivatePostgres &PrivatePostgres::instance()
{
    static PrivatePostgres server;
    return server;
}

PrivatePostgres::PrivatePostgres()
    : m_temporary(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tolvane-pg-XXXXXX")))
{
    if (!m_temporary->isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    m_folder = m_temporary->path();
    m_error = makeCluster();
    if (m_error.isEmpty())
        m_error = start();
}

PrivatePostgres::PrivatePostgres(const QString &keptFolder) : m_folder(keptFolder), m_kept(true)
{
    if (QFile::exists(dataFolder() + QStringLiteral("/PG_VERSION"))) {
        // A server of a run that was cut short may still run on the cluster: it is stopped (with
        // nothing running, pg_ctl only says so).
        pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
        m_remadeBecause = start();
        if (m_remadeBecause.isEmpty())
            return;
    }
    if (!QDir(m_folder).removeRecursively() || !QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("cannot empty the folder %1").arg(m_folder);
        return;
    }
    m_error = makeCluster();
    if (m_error.isEmpty())
        m_error = start();
}

QString PrivatePostgres::dataFolder() const
{
    return QDir(m_folder).filePath(QStringLiteral("data"));
}

QString PrivatePostgres::makeCluster()
{
    if (!QFile::exists(kBin + QStringLiteral("initdb")))
        return QStringLiteral("PostgreSQL 15 is not installed (%1initdb)").arg(kBin);
    // The server runs as an unprivileged user when the tests run as root: the folder is theirs.
    if (geteuid() == 0) {
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ExeGroup | QFileDevice::ExeOther);
        if (const QString e = run(QStringLiteral("chown"), {QStringLiteral("nobody:nogroup"), m_folder}); !e.isEmpty())
            return e;
    }
    return run(kBin + QStringLiteral("initdb"),
               {QStringLiteral("-D"), dataFolder(), QStringLiteral("-U"), kUser, QStringLiteral("-A"),
                QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")});
}

QString PrivatePostgres::start()
{
    const QString options = QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c max_connections=60").arg(m_folder);
    const QString log = QDir(m_folder).filePath(QStringLiteral("server.log"));
    if (const QString e = pgCtl({QStringLiteral("-o"), options, QStringLiteral("-l"), log, QStringLiteral("-w"),
                                 QStringLiteral("start")});
        !e.isEmpty()) {
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return e + QStringLiteral("\n") + QString::fromUtf8(file.readAll().right(2000));
    }
    m_started = true;
    return {};
}

QString PrivatePostgres::pgCtl(const QStringList &arguments)
{
    return run(kBin + QStringLiteral("pg_ctl"), QStringList{QStringLiteral("-D"), dataFolder()} + arguments);
}

PrivatePostgres::~PrivatePostgres()
{
    // Runs at the end of the test program, when Qt's application is gone: a plain command. A kept
    // cluster is shut down cleanly, so the next run finds its databases whole.
    if (m_started) {
        const QString stop = QStringLiteral("%1%2pg_ctl -D %3 -m %4 -w stop >/dev/null 2>&1")
                                 .arg(geteuid() == 0 ? QStringLiteral("runuser -u nobody -- ") : QString(), kBin,
                                      dataFolder(), m_kept ? QStringLiteral("fast") : QStringLiteral("immediate"));
        if (std::system(stop.toLocal8Bit().constData()) != 0)
            fprintf(stderr, "the private PostgreSQL server did not stop\n");
    }
}

QString PrivatePostgres::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_folder);
    if (geteuid() == 0 && program.startsWith(kBin))
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                                             QStringLiteral("--"), program} + arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(process.readAll()));
    return {};
}

QString PrivatePostgres::conninfo(const QString &database) const
{
    return QStringLiteral("host=%1 user=%2 dbname=%3").arg(m_folder, kUser, database);
}

QString PrivatePostgres::freshDatabase()
{
    return conninfo(newDatabase());
}

QString PrivatePostgres::newDatabase(const QString &fromTemplate)
{
    const QString name = QStringLiteral("shop%1").arg(++m_databases);
    PgConnection admin(conninfo(QStringLiteral("postgres")));
    admin.open();
    // A copy of the template's files: much quicker than logging a large database page by page.
    admin.execute(Statement(fromTemplate.isEmpty()
                                ? QStringLiteral("CREATE DATABASE %1").arg(name)
                                : QStringLiteral("CREATE DATABASE %1 TEMPLATE %2 STRATEGY FILE_COPY").arg(name, fromTemplate)));
    return name;
}

QString PrivatePostgres::user()
{
    return kUser;
}
