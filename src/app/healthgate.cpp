#include "app/healthgate.h"

#include "common/errors.h"
#include "common/messages.h"
#include "data/database.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

namespace {

// The first findings of the check: enough to show that it is real, short enough for a box.
QString firstLines(const QString &details, int count)
{
    QStringList lines = details.split(QLatin1Char('\n'));
    if (lines.size() > count) {
        lines = lines.mid(0, count);
        lines << QStringLiteral("……");
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

HealthGate::HealthGate(Database &db, Messages &messages, std::function<void()> endProgram, QObject *parent)
    : QObject(parent), m_db(db), m_messages(messages), m_endProgram(std::move(endProgram))
{
    connect(&m_check, &HealthCheck::finished, this, &HealthGate::settle);
}

HealthGate::~HealthGate()
{
    m_db.setWriteGuard({});
}

void HealthGate::start()
{
    m_writes = Writes::Waiting;
    m_db.setWriteGuard([this] { guardWrite(); });
    // The check reads the whole file: begun at once, it would take the processor from the windows
    // being made and shown on a busy computer. It begins once the login window is up (a first
    // write begins it at once).
    QTimer::singleShot(kCheckDelayMs, this, &HealthGate::beginCheck);
}

void HealthGate::beginCheck()
{
    if (!m_check.isStarted())
        m_check.start(m_db.fileName());
}

void HealthGate::guardWrite()
{
    if (m_writes == Writes::Allowed)
        return;
    if (m_writes == Writes::Waiting) {
        beginCheck();
        if (!m_check.isFinished()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const HealthReport report = m_check.result();
            QApplication::restoreOverrideCursor();
            settle(report);
        } else {
            settle(m_check.result());
        }
        if (m_writes == Writes::Allowed)
            return;
    }
    refuse();
}

void HealthGate::settle(const HealthReport &report)
{
    if (m_writes != Writes::Waiting)
        return; // settled already: by a write that waited, or the question is being answered
    m_report = report;
    if (!report.isDamaged()) {
        m_writes = Writes::Allowed;
        return;
    }
    m_writes = Writes::Asking;
    const bool goOn = m_messages.confirmYesNo(
        QStringLiteral("数据库文件已损坏"),
        QStringLiteral("数据库文件 %1 已损坏：\n%2\n\n"
                       "请用最近的备份恢复：选择“是”继续使用，登录后在“数据备份”中用“恢复数据库”换回备份。\n"
                       "选择“否”退出程序，这个文件保持原样，不写入任何内容。\n\n"
                       "是否继续使用这个数据库？")
            .arg(QFileInfo(m_db.fileName()).fileName(), firstLines(report.details, 5)));
    m_writes = goOn ? Writes::Allowed : Writes::Refused;
    if (!goOn && m_endProgram)
        m_endProgram();
}

void HealthGate::refuse() const
{
    const QString why = m_writes == Writes::Asking ? QStringLiteral("请先回答是否继续使用这个数据库。")
                                                   : QStringLiteral("按您的选择，程序不向这个文件写入任何内容。");
    throw DbError(QStringLiteral("数据库文件已损坏：%1\n%2").arg(firstLines(m_report.details, 3), why),
                  DbError::Cause::Damaged);
}
