#pragma once

#include <QByteArray>
#include <QString>

// The ESC/POS commands of a thermal receipt printer that the program sends, and its text bytes.
namespace escpos {

// ESC @: forgets earlier modes and starts a fresh line.
QByteArray initialise();
// FS &: double-byte characters (the Chinese font of the printer).
QByteArray chineseMode();
// ESC E n: bold on or off.
QByteArray bold(bool on);
// ESC d n: prints what is buffered and feeds `lines` lines.
QByteArray feed(int lines);
// GS V 66 0: feeds the paper up to the cutter and cuts it (partially, as most printers can).
QByteArray cut();
// ESC p 0 25 250: a pulse on drawer pin 2, 50 ms on and 500 ms off, which opens a cash drawer.
QByteArray drawerPulse();

// A line of text in the printer's Chinese code page: GBK, and GB18030's four bytes for the few
// characters GBK has no code for; followed by a line feed.
QByteArray textLine(const QString &text);

} // namespace escpos
