#pragma once

#include <QtGlobal>

class QPainter;

// A print laid out a part at a time, whose pages can each be painted on their own once laid out:
// a long print is shown from its first page on while the rest is still being laid out, and only
// the pages in view are ever painted. It is made for one printer and measures on it, so its pages
// break where they break on that printer's paper.
class PagedDocument {
public:
    virtual ~PagedDocument() = default;

    // Lays out further for about `milliseconds`; false once there is nothing left to lay out
    // (done, or the layout could not go on: see failed()).
    virtual bool layOutMore(int milliseconds) = 0;
    virtual bool isComplete() const = 0;
    // Set when the layout cannot go on (what it was made from is gone); the pages are then not
    // whole, neither to be shown nor printed.
    virtual bool failed() const = 0;
    // The pages laid out whole so far; all of them once complete.
    virtual int pageCount() const = 0;
    // How far the layout is: `done` of `total` steps.
    virtual qint64 stepsDone() const = 0;
    virtual qint64 stepsTotal() const = 0;
    // Grows each time the layout begins again from its start (what it was made from changed
    // before it was all read), so pages painted before are out of date.
    virtual int generation() const = 0;

    // Paints page `page` (from 0) with a painter on the printer the document was made for, or on
    // a picture of its page in the printer's device units (a painter scaled to a screen).
    virtual void paintPage(QPainter &painter, int page) const = 0;
};
