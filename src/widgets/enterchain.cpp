#include "widgets/enterchain.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

EnterChain::EnterChain(QObject *parent) : QObject(parent) {}

void EnterChain::link(QWidget *from, const QList<QWidget *> &to)
{
    QList<QPointer<QWidget>> targets;
    for (QWidget *w : to)
        targets << QPointer<QWidget>(w);
    m_links.insert(from, targets);
    m_owner.insert(from, from);
    from->installEventFilter(this);
    // An editable drop-down list receives its keys in its line edit.
    if (auto *combo = qobject_cast<QComboBox *>(from); combo && combo->lineEdit()) {
        m_owner.insert(combo->lineEdit(), from);
        combo->lineEdit()->installEventFilter(this);
    }
}

QWidget *EnterChain::reachable(QWidget *from, QList<QWidget *> &seen) const
{
    for (const QPointer<QWidget> &candidate : m_links.value(from)) {
        if (!candidate || seen.contains(candidate.data()))
            continue;
        seen << candidate.data();
        if (candidate->isVisibleTo(candidate->window()) && candidate->isEnabled())
            return candidate.data();
        if (QWidget *further = reachable(candidate.data(), seen))
            return further;
    }
    return nullptr;
}

QWidget *EnterChain::next(QWidget *from) const
{
    QList<QWidget *> seen{from};
    return reachable(from, seen);
}

bool EnterChain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    QWidget *field = m_owner.value(watched);
    if (!field)
        return false;
    if (QWidget *target = next(field))
        target->setFocus(Qt::TabFocusReason);
    return true; // Enter is used up either way, so it never reaches the field
}

void EnterChain::chain(std::initializer_list<QWidget *> fields)
{
    const QList<QWidget *> list(fields);
    for (int i = 0; i + 1 < list.size(); ++i)
        link(list.at(i), list.at(i + 1));
}
