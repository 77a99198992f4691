#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

// Workbooks written by real spreadsheet writers (Python's xlwt for .xls, xlsxwriter for .xlsx,
// odfpy for .ods, csv for .csv), so the import reads what other programs make.
namespace workbooks {

// A cell: an invalid QVariant is left empty; QString is text; int or double a number; QDate a date
// cell shown as a date; formula() a formula with the value it last computed.
using Row = QVariantList;

struct Sheet {
    QString name;
    QList<Row> rows;
    // .ods only: rows written once for several equal rows (index in `rows` -> how many), as
    // LibreOffice writes them.
    QHash<qsizetype, int> repeated = {};
};

struct Options {
    QString encoding = QStringLiteral("utf-8"); // csv: "utf-8", "utf-8-sig" or "gbk"
    bool encrypted = false;                     // xls, xlsx: saved with an open password
};

QVariant formula(const QString &text, double value);

// Writes `sheets` as a workbook of `format` ("xls", "xlsx", "ods", "csv": only the first sheet).
// Raises std::runtime_error with the writer's message when it fails.
void write(const QString &path, const QString &format, const QList<Sheet> &sheets, const Options &options = {});

// The column names of the import worksheet in their usual order, and a full row to go under them.
Row header();
Row stockRow(const QString &name, const QString &model, double price, double quantity, const QDate &date);

// Cuts a file down to `keep` bytes, as an interrupted copy leaves it.
void truncate(const QString &path, qint64 keep);

} // namespace workbooks
