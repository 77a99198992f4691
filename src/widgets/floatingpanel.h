#pragma once

#include <QFrame>
#include <QPoint>

// A panel lying over the main window's grid that the user can drag by its free area with the
// left mouse button; it stays inside its parent.
class FloatingPanel : public QFrame {
    Q_OBJECT
public:
    explicit FloatingPanel(QWidget *parent);

protected:
    // A panel that appears comes to the front, over the other panels.
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_dragging = false;
    QPoint m_grab;
};
