#include "widgets/dateedit.h"

#include "common/clock.h"

#include <QEvent>

DateEdit::DateEdit(QWidget *parent) : QLineEdit(parent)
{
    setInputMask(QStringLiteral("9999-99-99; "));
}

bool DateEdit::isBlank() const
{
    return displayText() == emptyMask();
}

void DateEdit::setDate(const QDate &date)
{
    setText(datetext::date(date));
}

QDate DateEdit::date() const
{
    return QDate::fromString(displayText(), QLatin1String(datetext::kDateFormat));
}

void DateEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() != QEvent::ReadOnlyChange)
        return;
    QPalette shaded = palette();
    shaded.setColor(QPalette::Base, isReadOnly() ? shaded.color(QPalette::Window) : QPalette().color(QPalette::Base));
    setPalette(shaded);
}
