#include "widgets/windowplacement.h"

#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget *window)
{
    if (QScreen *screen = window->screen())
        window->move(screen->availableGeometry().center() - window->frameGeometry().center() + window->pos());
}
