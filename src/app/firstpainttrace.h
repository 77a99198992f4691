#pragma once

#include <QObject>
#include <QString>

class QWidget;

// For measuring the program's start from outside: with TOLVANE_FIRST_PAINT_FILE naming a file,
// the moment a window first paints is appended to it as "<name> <nanoseconds>", the time on the
// system's monotonic clock, which the process that started the program reads too. Without the
// variable nothing is watched.
class FirstPaintTrace : public QObject {
public:
    // Watches `window` until its first paint, reported under `name`.
    static void watch(QWidget *window, const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FirstPaintTrace(QWidget *window, const QString &name, const QString &file);
    QString m_name;
    QString m_file;
};
