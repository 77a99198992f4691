#include "widgets/numberedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

NumberEdit::NumberEdit(QWidget *parent) : QLineEdit(parent)
{
    // No input method: composed text (Chinese characters, full-width digits) would bypass the keys.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // Dragged text would pass the filter by.
    setAcceptDrops(false);
}

bool NumberEdit::acceptsText(const QString &text)
{
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

void NumberEdit::pasteFiltered()
{
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    if (text.isEmpty() || isReadOnly())
        return;
    if (!acceptsText(text)) {
        QApplication::beep();
        return;
    }
    insert(text);
}

bool NumberEdit::acceptsKey(const QKeyEvent &event)
{
    const QString text = event.text();
    // Keys that type nothing (cursor keys, Delete) and control characters (Backspace, Enter,
    // Ctrl+C/V/X/Z) are not characters typed into the number.
    return text.isEmpty() || !text.at(0).isPrint() || acceptsText(text);
}

void NumberEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        event->accept();
        pasteFiltered();
        return;
    }
    if (!acceptsKey(*event)) {
        event->accept(); // discarded
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NumberEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    // The menu's "粘贴" goes through the filter like Ctrl+V.
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, &NumberEdit::pasteFiltered);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
