#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>

class QKeyEvent;

// Number entry fields take the digits, ".", Backspace and Enter from the keyboard; any other
// typed character is discarded. Keys that type nothing (arrows, Delete, Tab, shortcuts such as
// paste) keep working, so pasted text still reaches the field and is refused where it is used.
namespace numberkeys {
bool accepts(const QKeyEvent *event);
}

// A line edit for a number.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// A number field with a spinner: the arrows move the value by `step` within [minimum, maximum];
// any other number may be typed. The text is kept as typed, not re-formatted.
class NumberSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    NumberSpinBox(double minimum, double maximum, double step, QWidget *parent = nullptr);

    void setText(const QString &text);
    QLineEdit *editor() const { return lineEdit(); }

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

signals:
    void textChanged(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    StepEnabled stepEnabled() const override;

private:
    double m_minimum;
    double m_maximum;
    double m_step;
};
