#include "data/healthcheck.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace {

// At most this many findings are read: enough to tell what is broken.
constexpr int kMostFindings = 10;

} // namespace

HealthReport checkHealth(const QString &fileName, int busyTimeoutMs)
{
    HealthReport report;
    sqlite3 *db = nullptr;
    const QByteArray path = QFileInfo(fileName).absoluteFilePath().toUtf8();
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        report.details = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        return report;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = QByteArrayLiteral("PRAGMA quick_check(") + QByteArray::number(kMostFindings) + ')';
    int rc = sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    QStringList findings;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW)
            continue;
        // The check heads its findings with the name of the database ("*** in database main ***"):
        // only the findings themselves tell the user anything.
        const QString row = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        for (const QString &line : row.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.startsWith(QLatin1String("***")))
                findings << line;
        }
    }
    if (rc == SQLITE_DONE) {
        const bool sound = findings == QStringList{QStringLiteral("ok")};
        report.state = sound ? HealthReport::State::Sound : HealthReport::State::Damaged;
        report.details = sound ? QString() : findings.join(QLatin1Char('\n'));
    } else {
        // A page the check cannot even walk is damage too; a lock or a failed read says nothing
        // about the file's content.
        const int code = sqlite3_extended_errcode(db) & 0xff;
        report.state = code == SQLITE_CORRUPT || code == SQLITE_NOTADB ? HealthReport::State::Damaged
                                                                        : HealthReport::State::Unknown;
        report.details = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return report;
}

HealthCheck::HealthCheck(QObject *parent) : QObject(parent) {}

HealthCheck::~HealthCheck()
{
    if (m_worker.joinable())
        m_worker.join();
}

void HealthCheck::start(const QString &fileName)
{
    if (m_worker.joinable())
        m_worker.join();
    auto promise = std::make_shared<std::promise<HealthReport>>();
    m_result = promise->get_future().share();
    auto check = [this, fileName, promise] {
        const HealthReport report = checkHealth(fileName);
        promise->set_value(report);
        // This object outlives the thread (its destructor joins it), so the call can be queued to
        // it; a call still queued when it goes is dropped with it.
        QMetaObject::invokeMethod(this, [this, report] { emit finished(report); }, Qt::QueuedConnection);
    };
    // An engine built without locks must not be used from two threads: then the check runs here.
    if (sqlite3_threadsafe())
        m_worker = std::thread(check);
    else
        check();
}

bool HealthCheck::isFinished() const
{
    return m_result.valid() && m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}
