#include "app/windowopener.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

class OpenedWindow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

TEST(WindowOpener, OneWindowPerClassBroughtBackOrMadeAndFreedWhenClosed)
{
    QWidget owner;
    int made = 0;
    auto open = [&] {
        return openWindow<OpenedWindow>([&] {
            ++made;
            return new OpenedWindow(&owner, Qt::Window);
        });
    };
    OpenedWindow *first = open();
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(first->isVisible()) << "a new window shows itself";
    EXPECT_EQ(first->parentWidget(), &owner);

    first->showMinimized();
    EXPECT_EQ(open(), first);
    EXPECT_FALSE(first->isMinimized()) << "a minimised window comes back at normal size";
    first->hide();
    EXPECT_EQ(open(), first);
    EXPECT_TRUE(first->isVisible()) << "a hidden one is shown again";
    EXPECT_EQ(made, 1);

    const QPointer<OpenedWindow> closed = first;
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull()) << "it frees itself when closed";
    OpenedWindow *second = open();
    EXPECT_EQ(made, 2);
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

#include "windowopener_test.moc"
