#include "data/externalchanges.h"

#include "data/database.h"

#include <QFile>
#include <sys/stat.h>

ExternalChanges::ExternalChanges(Database &db, QObject *parent) : QObject(parent), m_db(db)
{
    connect(&m_timer, &QTimer::timeout, this, &ExternalChanges::check);
}

void ExternalChanges::start(int intervalMs)
{
    check(); // the starting point, when a connection is open already
    m_timer.start(intervalMs);
}

ExternalChanges::FileIdentity ExternalChanges::identityNow() const
{
    struct stat info {};
    if (::stat(QFile::encodeName(m_db.fileName()).constData(), &info) != 0)
        return {};
    return {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino), true};
}

void ExternalChanges::check()
{
    if (!m_db.isOpen() || m_db.inWriteGroup())
        return;
    if (m_generation != m_db.generation()) {
        // A connection of its own (first look, or opened again after a backup or restore): what
        // it reads now is the starting point.
        m_generation = m_db.generation();
        m_version = m_db.dataVersion();
        m_file = identityNow();
        return;
    }
    const FileIdentity file = identityNow();
    if (file.valid && m_file.valid && !(file == m_file)) {
        m_file = file;
        emit replaced();
        return;
    }
    const long long version = m_db.dataVersion();
    if (version < 0 || version == m_version)
        return;
    m_version = version;
    emit written();
}
