#pragma once

#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>

// The progress of a long step in a box with "取消", shown only when the step takes a while. A total
// of 0 is work of unknown length (a server's backup tools): the box shows that it goes on.
class ProgressBox {
public:
    ProgressBox(QWidget *owner, const QString &label) : m_box(label, QStringLiteral("取消"), 0, 1000, owner)
    {
        m_box.setWindowTitle(owner->windowTitle());
        m_box.setWindowModality(Qt::WindowModal);
        m_box.setMinimumDuration(500);
        m_box.setAutoClose(false);
        m_box.setAutoReset(false);
    }
    // Shows `done` of `total`; false once the person chose "取消".
    bool tell(long long done, long long total)
    {
        if (total == 0) {
            m_box.setRange(0, 0);
            // The box shows itself and hears "取消" only while events are handled.
            QCoreApplication::processEvents();
            return !m_box.wasCanceled();
        }
        const long long whole = std::max(total, 1LL);
        m_box.setValue(static_cast<int>(std::min(done, whole) * 1000 / whole));
        return !m_box.wasCanceled();
    }

private:
    QProgressDialog m_box;
};
