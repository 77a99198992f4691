#pragma once

#include <QCursor>
#include <QGuiApplication>

class Database;

// The hourglass for as long as it lives, over a step the window waits for.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// While a statement waits for the database file another program holds (it is saving), the
// mouse pointer shows the hourglass, so a frozen window is seen to be waiting.
void showWaitCursorWhileBusy(Database &db);
