#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The text lines of the POS receipt and where they go on the paper. Pure functions: the checkout
// panel gathers the figures, these build the lines, the receipt job paints them.
namespace receipt {

// Names are printed in a column this many bytes wide in the GBK code page (a Chinese
// character takes two bytes).
inline constexpr int kNameBytes = 18;
// The separator line: 31 hyphens.
QString separator();

// Bytes `text` takes in the GBK code page; a character GBK cannot encode counts as two, the room
// it takes on paper (a surrogate pair is one character).
int gbkWidth(const QString &text);

// A character of a receipt line, the half-width column it starts in and the columns it takes:
// the receipt is laid out in the fixed pitch of 宋体, where every GBK byte is one half-width column.
struct Cell {
    QString character;
    int column = 0;
    int width = 1;
};
QList<Cell> cells(const QString &text);

// A name brought to the name column: a name of 18 bytes or more (counted as gbkWidth counts) is
// cut at the last whole character within 18 bytes, padded back to 18 and followed by one blank;
// a shorter name is padded with blanks to 18 bytes.
QString fitName(const QString &name);

// One sold line: name, quantity and amount as general number text.
struct Item {
    QString name;
    double quantity = 0;
    double amount = 0;
};
QString itemLine(const Item &item);

// A money figure on the receipt's cash line: two decimals, e.g. "100.00".
QString money(double value);

// Everything a receipt shows.
struct Content {
    QString title;        // pos1
    QString orderNumber;  // the text of "销售单号："
    QString cashier;      // the logged-in user
    QDateTime printedAt;
    QList<Item> items;
    QString total;        // the sum of the items' amounts, as "合计：" shows it
    double cash = 0;
    double change = 0;
    QString slogan1;      // pos2
    QString slogan2;      // pos3
    QString closing;      // pos4
};

// A line of the receipt at its vertical position in printer device units (the x position is
// always the left edge). The title is the one line in the larger bold font.
struct Line {
    int y = 0;
    QString text;
    bool title = false;

    bool operator==(const Line &other) const = default;
};

QList<Line> lines(const Content &content);

} // namespace receipt
