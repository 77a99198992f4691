#include "common/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QMessageBox *openBox()
{
    return qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
}

void clickYes(QMessageBox *box)
{
    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
}

// A double click on "恢复数据库" opened the question under the pointer and its second click
// answered "是": a click as the box opens answers nothing, and Enter takes "否".
TEST(DialogMessages, AQuestionIsNotAnsweredByTheClickThatOpenedIt)
{
    DialogMessages messages;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = openBox();
        ASSERT_NE(box, nullptr);
        clickYes(box); // the second click of the double click
        QApplication::processEvents();
        stillOpen = box->isVisible();
        QTimer::singleShot(QApplication::doubleClickInterval() + 100, [] { clickYes(openBox()); });
    });
    EXPECT_TRUE(messages.confirmYesNo(QStringLiteral("确认文件替换"), QStringLiteral("确实要恢复数据库吗？")));
    EXPECT_TRUE(stillOpen) << "the early click answered the question";

    QTimer::singleShot(0, [] {
        QMessageBox *box = openBox();
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(messages.confirmYesNo(QStringLiteral("确认文件替换"), QStringLiteral("确实要恢复数据库吗？")));
}

} // namespace
