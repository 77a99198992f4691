#include "widgets/stepbuttons.h"

#include "common/errors.h"
#include "common/numbertext.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

StepButtons::StepButtons(QLineEdit *field, double step, double minimum, double maximum, QWidget *parent)
    : QWidget(parent), m_field(field), m_step(step), m_minimum(minimum), m_maximum(maximum),
      m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        layout->addWidget(b);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, &StepButtons::stepUp);
    connect(m_down, &QToolButton::clicked, this, &StepButtons::stepDown);
}

QString steppedNumberText(const QString &text, double delta, double minimum, double maximum)
{
    double value = 0;
    try {
        value = numbertext::parse(text);
    } catch (const ConversionError &) {
        value = 0;
    }
    // Out of range already: a step toward the range lands on its edge, a step away does nothing.
    if ((delta > 0 && value >= maximum) || (delta < 0 && value <= minimum))
        return text;
    return numbertext::general(std::clamp(value + delta, minimum, maximum));
}

void StepButtons::stepBy(double delta)
{
    m_field->setText(steppedNumberText(m_field->text(), delta, m_minimum, m_maximum));
}
