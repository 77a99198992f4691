#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>

// A number field with a spinner: the arrows move the value by `step` within [minimum, maximum];
// any other number may be typed. The text is kept as typed, not re-formatted, and only the keys
// a NumberEdit takes get through.
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
