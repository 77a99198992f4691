#pragma once

#include <QEvent>
#include <QObject>

// Sees a widget being painted: installed as its event filter, it notes each paint.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};
