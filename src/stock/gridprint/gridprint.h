#pragma once

#include "common/printing.h"

#include <QList>
#include <QString>
#include <Qt>
#include <utility>

class QDate;

class Grid;
class Messages;

// One line of text printed before or after a grid.
struct PrintText {
    QString text;
    Qt::Alignment alignment = Qt::AlignLeft;
    int pointSize = 10;
    bool bold = false;
    QString family = QStringLiteral("宋体");
};

// What a window asks of the grid print besides the grid.
struct GridPrintRequest {
    QString name;                 // the job's name, the preview window's title
    QList<PrintText> before;      // printed above the grid on the first page
    QList<PrintText> after;       // printed below the grid on the last page
    // Placeholders in those texts and what each becomes in this print, e.g. "%[Today1]".
    QList<std::pair<QString, QString>> substitutions;
};

// Prints a grid as it shows it: its visible columns in their order, fitted to the page width, the
// titles on every page, the rows in their colours and stretched to their text, the footer, with
// "Page. n" over a double line at the top of each page and margins of 2 cm.
namespace gridprint {

// The print job of the grid; the pages are laid out when they are painted, on whatever paper the
// printer then has.
Printing::Job job(const Grid &grid, const GridPrintRequest &request);
// Opens the print preview, from which the user prints; tells the user what became of the pages. The
// preview shows the first page at once and lays out the rest while it is open.
void preview(Printing &printing, Messages &messages, const Grid &grid, const GridPrintRequest &request);
// The usual report: `heading` centred in bold 14-point type over `blankLines` empty lines; after
// the grid an empty line and, right-aligned in 10-point type, the signature "制表人：" + user +
// "    日期：" + date, written as `placeholder` followed by `trailingBlanks` blanks and replaced for
// the print.
GridPrintRequest signedReport(const QString &name, const QString &heading, int blankLines, const QString &placeholder,
                              int trailingBlanks, const QString &userName, const QDate &today);
// A text with every placeholder replaced.
QString substituted(QString text, const QList<std::pair<QString, QString>> &substitutions);

} // namespace gridprint
