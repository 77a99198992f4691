#include "widgets/busycursor.h"

#include "data/database.h"

#include <QCursor>
#include <QGuiApplication>

void showWaitCursorWhileBusy(Database &db)
{
    db.setBusyWaitNotice([](bool waiting) {
        if (waiting)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    });
}
