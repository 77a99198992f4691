#include "widgets/numberspinbox.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "widgets/numberedit.h"

#include <QKeyEvent>
#include <algorithm>

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
    if (!NumberEdit::acceptsKey(*event)) {
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}
