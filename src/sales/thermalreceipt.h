#pragma once

#include "counter/printerport.h"
#include "sales/receiptlines.h"

#include <QByteArray>
#include <functional>

// The POS receipt on a thermal receipt printer: the lines of receiptlines as text in the printer's
// Chinese code page, with ESC/POS commands for the bold title, the feed, the drawer and the cut.
namespace receipt {

// Characters of the printer's font on one line: 32 on 58 mm paper, 48 on 80 mm paper.
inline constexpr int kColumns58 = 32;
inline constexpr int kColumns80 = 48;

// How receipts are printed, as chosen in "小票设置".
struct PrinterChoice {
    bool thermal = false; // 小票打印机; otherwise 系统打印机 (the page through the system's printing)
    PrinterPort port;
    int paperMm = 58;
    bool openDrawer = false; // "打开钱箱": a receipt with cash received opens the drawer

    int columns() const { return paperMm >= 80 ? kColumns80 : kColumns58; }

    // The settings names of the choice, as the receipt settings window shows and stores them.
    static QStringList names();
    // The choice as the texts under those names give it; an empty or unknown text takes the
    // default (系统打印机, /dev/usb/lp0, 9600 baud, port 9100, 58 mm, no drawer).
    static PrinterChoice fromTexts(const std::function<QString(const QString &name)> &text);
    // The text of one name.
    QString text(const QString &name) const;
};

// Splits a line where it would pass `columns` half-width columns (a Chinese character takes two,
// counted as gbkWidth counts), always between whole characters, and at the last blank when the
// part holds one, so an amount is never split. An empty line stays one line.
QStringList wrapped(const QString &text, int columns);

// The bytes of one receipt: initialise, Chinese mode, the title in bold, every line wrapped to
// the paper, a feed past the cutter, the drawer pulse when `openDrawer`, and the cut.
QByteArray escposBytes(const QList<Line> &lines, int columns, bool openDrawer);

} // namespace receipt
