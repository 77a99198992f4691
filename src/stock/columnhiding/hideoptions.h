#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A tickable menu item that hides grid columns, and the stored yes/no value that remembers it.
struct HideOption {
    QString text;          // the menu item
    QString settingName;   // "yes" when ticked, "no" when not
    QStringList fields;    // the columns it hides, by field name
    bool tickShows = false;    // ticked shows the columns instead of hiding them
    bool startsGroup = false;  // a separator stands before it in a menu
};

namespace hideoptions {

// The main grid's "隐藏列", in menu order, which is also the order they are applied at start-up.
QList<HideOption> mainGrid();
// The sales details grid's, in menu order and start-up order.
QList<HideOption> salesDetails();

} // namespace hideoptions
