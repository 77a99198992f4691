#include "widgets/upgradenotice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QWindow>

std::function<void(const QString &what)> upgradeNoticeBox(QWidget *owner)
{
    auto box = std::make_shared<std::unique_ptr<QProgressDialog>>();
    return [box, owner](const QString &what) {
        if (what.isEmpty()) {
            box->reset();
            return;
        }
        // A box with no end and no "取消": the step cannot be stopped half-way.
        *box = std::make_unique<QProgressDialog>(what, QString(), 0, 0, owner);
        (*box)->setWindowTitle(QApplication::applicationDisplayName());
        (*box)->setMinimumDuration(0);
        QProgressDialog *shown = box->get();
        shown->show();
        // Painted before the step holds the program: nothing else is handled meanwhile. A window
        // manager puts the box on screen when it gets to it; it is waited for (a second at most),
        // then the box is painted at once.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 1000 && !(shown->windowHandle() && shown->windowHandle()->isExposed()))
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        shown->repaint();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}
