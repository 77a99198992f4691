#include "widgets/dateedit.h"

#include "common/clock.h"
#include "widgets/readonlyshade.h"

DateEdit::DateEdit(QWidget *parent) : QLineEdit(parent)
{
    setInputMask(QStringLiteral("9999-99-99; "));
    // A read-only date is shaded like the other fields that cannot be typed into.
    shadeWhileReadOnly(this);
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
