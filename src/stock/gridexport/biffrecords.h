#pragma once

#include <QByteArray>
#include <QString>

// The records of a legacy Excel worksheet stream: each one a little-endian record number, data
// length and data. Rows and columns count from 0; texts are GBK bytes.
namespace biff {

// A sheet of this format holds at most this many rows: its readers (Excel before 97, LibreOffice,
// xlrd) stop at row 16384 and drop the rest without a word.
constexpr int kMaxRows = 16384;
// The code page told to readers of the GBK texts.
constexpr quint16 kGbkCodePage = 936;
// Room for a text in one record: the length field and the record's data length are two bytes.
constexpr int kMaxTextBytes = 0xFFFF - 8;

// What strict readers (Gnumeric, Excel) need before the sheet: the workbook's own start (Excel 5
// records), the code page, the fonts (Chinese character set) and cell formats the cells refer to
// (format 0x0000 and 0x0017 among them), and the one sheet's name and place, ending where the
// sheet starts.
QByteArray workbookGlobals();
QByteArray beginSheet();
QByteArray codePage(quint16 page);
QByteArray text(quint16 row, quint16 column, const QByteArray &gbk);
QByteArray number(quint16 row, quint16 column, double value);
// `value` within ±2^29: stored as value × 4 + 2.
QByteArray integer(quint16 row, quint16 column, qint32 value);
QByteArray empty(quint16 row, quint16 column);
QByteArray endSheet();

// A text as GBK bytes. A character GBK lacks becomes "?"; a text too long for one record is cut
// at the last whole character that fits.
QByteArray gbk(const QString &text);

} // namespace biff
