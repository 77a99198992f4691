#include "support/clicks.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>

namespace {

void mouse(QWidget *target, QEvent::Type type, const QPoint &pos)
{
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void click(QWidget *target, const QPoint &pos)
{
    mouse(target, QEvent::MouseButtonPress, pos);
    mouse(target, QEvent::MouseButtonRelease, pos);
}

QPoint rowCentre(QTableView *view, int row)
{
    view->scrollTo(view->model()->index(row, 0));
    return view->visualRect(view->model()->index(row, 0)).center();
}

void key(QWidget *field, int code, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(field, &release);
}

} // namespace

void clickTitle(QHeaderView *header, int logical)
{
    const int x = header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2;
    click(header->viewport(), QPoint(x, header->height() * 3 / 4));
}

void clickRow(QTableView *view, int row)
{
    click(view->viewport(), rowCentre(view, row));
}

void doubleClickRow(QTableView *view, int row)
{
    doubleClickAt(view->viewport(), rowCentre(view, row));
}

void doubleClickAt(QWidget *target, const QPoint &pos)
{
    click(target, pos);
    mouse(target, QEvent::MouseButtonDblClick, pos);
    mouse(target, QEvent::MouseButtonRelease, pos);
}

void typeKeys(QWidget *field, const QString &text)
{
    for (const QChar ch : text)
        key(field, ch.isLetterOrNumber() && ch.unicode() < 128 ? ch.toUpper().unicode() : Qt::Key_unknown, QString(ch));
}

void pressBackspace(QWidget *field, int times)
{
    for (int i = 0; i < times; ++i)
        key(field, Qt::Key_Backspace, QString());
}

void pressKeyIn(QWidget *target, int code)
{
    const QString text = code == Qt::Key_Return ? QStringLiteral("\r") : code == Qt::Key_Escape ? QStringLiteral("\x1b") : QString();
    key(target, code, text);
}
