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

PrivatePostgres::PrivatePostgres() : m_dir(QDir::tempPath() + QStringLiteral("/tolvane-pg-XXXXXX"))
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    if (!QFile::exists(kBin + QStringLiteral("initdb"))) {
        m_error = QStringLiteral("PostgreSQL 15 is not installed (%1initdb)").arg(kBin);
        return;
    }
    // The server runs as an unprivileged user when the tests run as root: the folder is theirs.
    if (geteuid() == 0) {
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ExeGroup | QFileDevice::ExeOther);
        if (const QString e = run(QStringLiteral("chown"), {QStringLiteral("nobody:nogroup"), m_dir.path()});
            !e.isEmpty()) {
            m_error = e;
            return;
        }
    }
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (const QString e = run(kBin + QStringLiteral("initdb"),
                              {QStringLiteral("-D"), data, QStringLiteral("-U"), kUser, QStringLiteral("-A"),
                               QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                               QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")});
        !e.isEmpty()) {
        m_error = e;
        return;
    }
    const QString options = QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c max_connections=60").arg(m_dir.path());
    if (const QString e = run(kBin + QStringLiteral("pg_ctl"),
                              {QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"),
                               m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("start")});
        !e.isEmpty()) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        m_error = e + QStringLiteral("\n") + QString::fromUtf8(log.readAll().right(2000));
        return;
    }
    m_started = true;
}

PrivatePostgres::~PrivatePostgres()
{
    // Runs at the end of the test program, when Qt's application is gone: a plain command.
    if (m_started) {
        const QString stop = QStringLiteral("%1%2pg_ctl -D %3 -m immediate -w stop >/dev/null 2>&1")
                                 .arg(geteuid() == 0 ? QStringLiteral("runuser -u nobody -- ") : QString(), kBin,
                                      m_dir.filePath(QStringLiteral("data")));
        if (std::system(stop.toLocal8Bit().constData()) != 0)
            fprintf(stderr, "the private PostgreSQL server did not stop\n");
    }
}

QString PrivatePostgres::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
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
    return QStringLiteral("host=%1 user=%2 dbname=%3").arg(m_dir.path(), kUser, database);
}

QString PrivatePostgres::freshDatabase()
{
    return conninfo(newDatabase());
}

QString PrivatePostgres::newDatabase()
{
    const QString name = QStringLiteral("shop%1").arg(++m_databases);
    PgConnection admin(conninfo(QStringLiteral("postgres")));
    admin.open();
    admin.execute(Statement(QStringLiteral("CREATE DATABASE %1").arg(name)));
    return name;
}

QString PrivatePostgres::user()
{
    return kUser;
}
