#include "app/firstpainttrace.h"

#include <QEvent>
#include <QFile>
#include <QWidget>
#include <ctime>

void FirstPaintTrace::watch(QWidget *window, const QString &name)
{
    const QString file = qEnvironmentVariable("TOLVANE_FIRST_PAINT_FILE");
    if (!file.isEmpty())
        new FirstPaintTrace(window, name, file);
}

FirstPaintTrace::FirstPaintTrace(QWidget *window, const QString &name, const QString &file)
    : QObject(window), m_name(name), m_file(file)
{
    window->installEventFilter(this);
}

bool FirstPaintTrace::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        // After the window's own painting: the report is the moment it is on screen.
        watched->removeEventFilter(this);
        watched->event(event);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        QFile out(m_file);
        if (out.open(QIODevice::Append)) {
            out.write(QStringLiteral("%1 %2\n").arg(m_name).arg(qint64(now.tv_sec) * 1000000000 + now.tv_nsec).toUtf8());
            out.close();
        }
        deleteLater();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
