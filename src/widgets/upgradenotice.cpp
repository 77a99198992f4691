#include "widgets/upgradenotice.h"

#include <QApplication>
#include <QProgressDialog>

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
        (*box)->show();
        // Painted before the step holds the program: nothing else is handled meanwhile.
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}
