#include "app/hintfilter.h"

#include <QApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// The status bar shows the hint of the control under the pointer, and no longer once the pointer
// has left it.
TEST(StatusHint, FollowsThePointerInAndOut)
{
    QLabel panel;
    HintFilter::install(&panel);
    QToolButton button;
    button.setToolTip(QStringLiteral("商品入库"));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(panel.text(), QStringLiteral("商品入库"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(panel.text(), QString());
}

} // namespace
