#pragma once

#include <QColor>

class QWidget;

// Text colours that stay readable on whatever background a skin gives: the program's red for
// warnings and marked rows, its muted grey for hints, and plain ink on a colour of its own.
namespace ink {

enum class Kind {
    Warning, // a red that must be noticed: "单据打印必填", refusals in a window
    Hint,    // a quiet grey-blue for explanations
    Caption, // teal captions of a panel's fields
    Note,    // blue notes under a panel's fields
    Alarm,   // pure red of marked grid rows (low stock, returns) where the background allows it
};

// The colour of `kind` for text drawn on `background`.
QColor on(const QColor &background, Kind kind);
// Near-black on a light colour, near-white on a dark one.
QColor plainOn(const QColor &background);

// Colours the widget's text (its WindowText) for `kind` and keeps it so when the skin changes,
// judged against the window colour behind it.
void apply(QWidget *widget, Kind kind);

} // namespace ink
