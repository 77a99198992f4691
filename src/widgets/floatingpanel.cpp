#include "widgets/floatingpanel.h"

#include <QMouseEvent>
#include <algorithm>

FloatingPanel::FloatingPanel(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
}

void FloatingPanel::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    raise();
}

void FloatingPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_grab = event->position().toPoint();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void FloatingPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !parentWidget())
        return QFrame::mouseMoveEvent(event);
    QPoint target = mapToParent(event->position().toPoint() - m_grab);
    const QSize room = parentWidget()->size() - size();
    target.setX(std::clamp(target.x(), 0, std::max(0, room.width())));
    target.setY(std::clamp(target.y(), 0, std::max(0, room.height())));
    move(target);
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}
