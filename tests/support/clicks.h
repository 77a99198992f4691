#pragma once

#include <QPoint>
#include <QString>

class QHeaderView;
class QTableView;
class QWidget;

// What a person does with the mouse and keyboard, sent as real events to shown widgets.
void clickTitle(QHeaderView *header, int logical);
void clickRow(QTableView *view, int row);
void doubleClickRow(QTableView *view, int row);
// A double click at a point of the widget, as a person makes it: press, release, double click, release.
void doubleClickAt(QWidget *target, const QPoint &pos);
// Types the text key by key at the end of the field, as a person or a scanner would.
void typeKeys(QWidget *field, const QString &text);
void pressBackspace(QWidget *field, int times = 1);
// Presses and releases one key (Enter, Esc …) in the widget.
void pressKeyIn(QWidget *target, int key);
