#pragma once

#include <QLineEdit>

class QKeyEvent;

// A field for a number typed by hand: of the keys that type a character only the digits and "."
// get through (several points may be typed; the conversion at use time rejects them). Backspace,
// Enter, Tab, the cursor keys and the editing shortcuts work as usual. Text set by the program or
// pasted is not filtered: whoever uses the field converts its text and reports a bad number.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget *parent = nullptr);

    // True when the key typed may reach the field.
    static bool acceptsKey(const QKeyEvent &event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
