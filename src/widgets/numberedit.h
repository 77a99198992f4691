#pragma once

#include <QLineEdit>

class QKeyEvent;

// A field for a number typed by hand: of the keys that type a character only the digits and "."
// get through (several points may be typed; the conversion at use time rejects them). Backspace,
// Enter, Tab, the cursor keys and the editing shortcuts work as usual. Pasted or dropped text goes
// through the same filter: a text with anything but digits and "." is refused whole ("12元abc"
// would otherwise stand in a money field). Text set by the program is not filtered.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget *parent = nullptr);

    // True when the key typed may reach the field.
    static bool acceptsKey(const QKeyEvent &event);
    // True when `text` may be pasted or dropped into the field.
    static bool acceptsText(const QString &text);
    // Pastes the clipboard's text when the filter lets it through.
    void pasteFiltered();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};
