#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// A workbook as a real reader sees it: /usr/bin/python3 with xlrd (.xls) or openpyxl (.xlsx).
struct ReadWorkbook {
    struct Cell {
        QString kind; // "text", "number", "formula"
        QVariant value;
    };
    bool ok = false;
    QString error;                   // what the reader said when it failed
    QString encoding;                // .xls: the code page the reader decoded with, e.g. "cp936"
    QString frozenAt;                // .xlsx: the first cell below the frozen rows, e.g. "A5"
    QMap<int, double> columnWidths;  // .xlsx: character widths by column
    int rows = 0;
    QMap<QPair<int, int>, Cell> cells; // non-empty cells by (row, column)

    bool has(int row, int column) const { return cells.contains({row, column}); }
    Cell at(int row, int column) const { return cells.value({row, column}); }
};

ReadWorkbook readWorkbook(const QString &path);

// A workbook as Gnumeric's strict reader sees it (ssconvert to CSV): the rows of its first sheet
// as texts, and what the reader warned about.
struct GnumericSheet {
    bool ok = false;
    QString warnings;
    QList<QStringList> rows;
    QString at(int row, int column) const { return rows.value(row).value(column); }
};

GnumericSheet readWithGnumeric(const QString &path);
