#include "widgets/numberedit.h"

#include <QKeyEvent>

NumberEdit::NumberEdit(QWidget *parent) : QLineEdit(parent)
{
    // No input method: composed text (Chinese characters, full-width digits) would bypass the keys.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

bool NumberEdit::acceptsKey(const QKeyEvent &event)
{
    const QString text = event.text();
    // Keys that type nothing (cursor keys, Delete) and control characters (Backspace, Enter,
    // Ctrl+C/V/X/Z) are not characters typed into the number.
    if (text.isEmpty() || !text.at(0).isPrint())
        return true;
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

void NumberEdit::keyPressEvent(QKeyEvent *event)
{
    if (!acceptsKey(*event)) {
        event->accept(); // discarded
        return;
    }
    QLineEdit::keyPressEvent(event);
}
