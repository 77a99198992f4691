#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// The small up/down arrows beside a number field: each click steps the field's number by `step`,
// kept within [minimum, maximum]. A field that holds no number counts as 0. The new number is
// written as general number text, so the field's own change handling runs as if it was typed.
// The text of a number field after one step of `delta` within [minimum, maximum]. A text that is
// not a number counts as 0; a value already outside the range only moves back to its edge.
QString steppedNumberText(const QString &text, double delta, double minimum, double maximum);

class StepButtons : public QWidget {
    Q_OBJECT
public:
    StepButtons(QLineEdit *field, double step, double minimum, double maximum, QWidget *parent = nullptr);

    void stepUp() { stepBy(m_step); }
    void stepDown() { stepBy(-m_step); }
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

private:
    void stepBy(double delta);

    QLineEdit *m_field;
    double m_step, m_minimum, m_maximum;
    QToolButton *m_up;
    QToolButton *m_down;
};
