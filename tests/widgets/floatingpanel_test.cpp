#include "widgets/floatingpanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

void mouse(FloatingPanel &panel, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), panel.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&panel, &event);
}

TEST(FloatingPanel, TheLeftButtonDragsItOnlyWithinTheMainWindow)
{
    QWidget window;
    window.resize(400, 300);
    FloatingPanel panel(&window);
    panel.setGeometry(10, 10, 100, 50);
    window.show();

    mouse(panel, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    mouse(panel, QEvent::MouseMove, {45, 25}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(panel.pos(), QPoint(50, 30)) << "it follows the mouse";
    mouse(panel, QEvent::MouseMove, {1000, 1000}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(panel.pos(), QPoint(300, 250)) << "it stops at the window's edge";
    mouse(panel, QEvent::MouseButtonRelease, {1000, 1000}, Qt::LeftButton, Qt::NoButton);
    mouse(panel, QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(panel.pos(), QPoint(300, 250)) << "released: it stays";

    mouse(panel, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton, Qt::RightButton);
    mouse(panel, QEvent::MouseMove, {-40, -40}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(panel.pos(), QPoint(300, 250)) << "other buttons do nothing";
}

} // namespace
