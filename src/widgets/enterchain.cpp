#include "widgets/enterchain.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

EnterChain::EnterChain(QObject *parent) : QObject(parent) {}

void EnterChain::chain(std::initializer_list<QWidget *> fields)
{
    QWidget *previous = nullptr;
    for (QWidget *field : fields) {
        if (previous)
            link(previous, field);
        previous = field;
    }
}

void EnterChain::link(QWidget *from, QWidget *to)
{
    // Spin boxes and editable combo boxes type into an inner line edit; either may see the key.
    m_next.insert(from, to);
    from->installEventFilter(this);
    for (QLineEdit *inner : from->findChildren<QLineEdit *>()) {
        m_next.insert(inner, to);
        inner->installEventFilter(this);
    }
}

bool EnterChain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const QPointer<QWidget> next = m_next.value(watched);
            if (next) {
                next->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
