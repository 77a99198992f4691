#pragma once

#include <QApplication>
#include <QWidget>

// Returns the one window of class W. An existing one is restored (or shown), made visible,
// brought to the front and given the focus; otherwise `make` creates a new one owned by `owner`,
// which shows itself and frees itself when closed.
template <class W, class Make>
W *openWindow(Make &&make)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<W *>(widget)) {
            if (window->isMinimized())
                window->showNormal();
            else
                window->show();
            window->raise();
            window->activateWindow();
            window->setFocus();
            return window;
        }
    }
    W *window = make();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
