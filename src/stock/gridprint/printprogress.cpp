#include "stock/gridprint/printprogress.h"

#include <QGuiApplication>
#include <QProgressDialog>
#include <algorithm>

namespace {

// How long the work runs before the box shows, and how often the box is brought up to date
// (every update lets the window system draw and the user press "取消").
constexpr qint64 kShowAfterMs = 150;
constexpr qint64 kUpdateEveryMs = 50;

} // namespace

PrintProgress::PrintProgress(QString label) : m_label(std::move(label))
{
    m_clock.start();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

PrintProgress::~PrintProgress()
{
    m_dialog.reset();
    QGuiApplication::restoreOverrideCursor();
}

bool PrintProgress::advance(int done, int total)
{
    const qint64 now = m_clock.elapsed();
    if (now < kShowAfterMs || now - m_lastUpdate < kUpdateEveryMs)
        return !(m_dialog && m_dialog->wasCanceled());
    m_lastUpdate = now;
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_label, QStringLiteral("取消"), 0, total);
        m_dialog->setObjectName(QStringLiteral("printProgress"));
        m_dialog->setWindowTitle(QStringLiteral("打印"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setMinimumWidth(360); // room for its title
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->show();
    }
    m_dialog->setMaximum(total);
    // A modal box lets pending events through here: it is drawn, and "取消" can be pressed.
    m_dialog->setValue(std::min(done, total));
    return !m_dialog->wasCanceled();
}
