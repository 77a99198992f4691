#pragma once

#include "common/printing.h"
#include "sales/receiptlines.h"

// The print job of a POS receipt: paper 250 mm long, the printer's own paper width, device units
// of a 180 dpi receipt printer, font "宋体" (title 10 pt bold, the rest 8 pt).
namespace receipt {

inline constexpr int kResolution = 180;
inline constexpr double kPaperLengthMm = 250;
// The paper width used when no printer is installed (a common receipt roll).
inline constexpr double kFallbackPaperWidthMm = 80;

// The paper width of the default printer in millimetres, or the fallback without a printer.
double defaultPaperWidthMm();

// A receipt that does not fit on one paper length continues at the top of the next.
Printing::Job job(const QList<Line> &lines, double paperWidthMm);

} // namespace receipt
