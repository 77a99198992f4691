#include "widgets/numberspinbox.h"

#include "widgets/numberedit.h"
#include "widgets/stepbuttons.h"

#include <QKeyEvent>

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
    setText(steppedNumberText(text(), steps * m_step, m_minimum, m_maximum));
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
