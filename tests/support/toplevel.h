#pragma once

#include <QApplication>
#include <QWidget>

// The top-level window of class W that is shown, or nullptr.
template <class W>
W *shownWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<W *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// How many windows of class W exist, shown or not.
template <class W>
int windowCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<W *>(widget) ? 1 : 0;
    return count;
}

// Deletes the windows that freed themselves when they closed.
inline void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
