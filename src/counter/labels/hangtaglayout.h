#pragma once

#include "common/printing.h"
#include "counter/labels/code128symbol.h"

#include <QList>
#include <QPageLayout>
#include <QString>

class QPainter;

// The paper of a label printer: one label per page of this size.
struct LabelSize {
    int widthMm = 40;
    int heightMm = 30;

    // "40×30 mm"
    QString text() const;
    // The sizes label printers commonly take.
    static const QList<LabelSize> &common();
    bool operator==(const LabelSize &) const = default;
};

// What one hang tag shows.
struct HangTag {
    QString name;  // a
    QString model; // b
    QString price; // the list price as text, empty when the row has none
    QString code;  // c, printed as the barcode and under it
};

// A hang tag ready to print: its texts, its barcode and how many copies.
struct PrintedTag {
    HangTag tag;
    Code128Symbol symbol;
    int copies = 1;
};

// How a hang tag is laid out on a label of one size: the name in bold on top, the model and the
// price below it, then the barcode with its code under it. The layout scales with the label's
// height; the barcode takes the widest modules the label's width allows, within limits.
class HangTagLayout {
public:
    explicit HangTagLayout(LabelSize size);

    const LabelSize &size() const { return m_size; }
    // Why `symbol` cannot go on this label (in Chinese), or empty when it fits: a code too long
    // for the label's width would need bars narrower than a label printer prints reliably.
    QString whyNotPrintable(const Code128Symbol &symbol) const;
    // One page of the label's size, no margins.
    QPageLayout pageLayout() const;
    // Draws one label on a page whose top-left corner is the painter's origin, `dotsPerMm` being
    // the device's resolution.
    void paint(QPainter &painter, double dotsPerMm, const HangTag &tag, const Code128Symbol &symbol) const;
    // The print job of `tags`, each copy a page of its own.
    Printing::Job job(const QString &name, const QList<PrintedTag> &tags) const;

    // The narrowest module (bar unit) printed, and the widest used for short codes.
    static constexpr double kMinModuleMm = 0.2;
    static constexpr double kMaxModuleMm = 0.4;
    // The blank width Code 128 needs on either side of the bars, in modules.
    static constexpr int kQuietModules = 10;

private:
    // The module width for `symbol` on this label; below kMinModuleMm when it does not fit.
    double moduleMm(const Code128Symbol &symbol) const;

    LabelSize m_size;
};
