#include "widgets/numberedit.h"

#include "common/numbertext.h"
#include "common/errors.h"

#include <QKeyEvent>
#include <algorithm>

namespace numberkeys {

bool accepts(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    const QString typed = event->text();
    if (typed.isEmpty())
        return true; // a key that types nothing
    for (const QChar ch : typed) {
        if (!ch.isPrint())
            return true; // a control combination such as Ctrl+V
        if (!ch.isDigit() && ch != QLatin1Char('.'))
            return false;
    }
    return true;
}

} // namespace numberkeys

NumberEdit::NumberEdit(QWidget *parent) : QLineEdit(parent) {}

void NumberEdit::keyPressEvent(QKeyEvent *event)
{
    if (!numberkeys::accepts(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

NumberSpinBox::NumberSpinBox(double minimum, double maximum, double step, QWidget *parent)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum), m_step(step)
{
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, &NumberSpinBox::textChanged);
}

void NumberSpinBox::setText(const QString &text)
{
    lineEdit()->setText(text);
}

void NumberSpinBox::stepBy(int steps)
{
    double value = m_minimum;
    try {
        value = numbertext::parse(text());
    } catch (const ConversionError &) {
        // Not a number: the spinner starts from the bottom of its range.
    }
    value = std::clamp(value + steps * m_step, m_minimum, m_maximum);
    setText(numbertext::general(value));
}

QAbstractSpinBox::StepEnabled NumberSpinBox::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State NumberSpinBox::validate(QString &, int &) const
{
    return QValidator::Acceptable; // the text is checked where the number is used
}

void NumberSpinBox::fixup(QString &) const {}

void NumberSpinBox::keyPressEvent(QKeyEvent *event)
{
    if (!numberkeys::accepts(event)) {
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}
