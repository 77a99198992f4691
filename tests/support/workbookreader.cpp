#include "support/workbookreader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

const char *kReader = R"PY(
import json, sys
path = sys.argv[1]
out = {"cells": [], "widths": {}}
if path.lower().endswith(".xlsx"):
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book.active
    out["frozen"] = sheet.freeze_panes or ""
    out["rows"] = sheet.max_row
    for letter, dim in sheet.column_dimensions.items():
        out["widths"][str(openpyxl.utils.column_index_from_string(letter) - 1)] = dim.width
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            if isinstance(cell.value, str) and cell.value.startswith("="):
                kind = "formula"
            elif isinstance(cell.value, (int, float)):
                kind = "number"
            else:
                kind = "text"
            out["cells"].append([cell.row - 1, cell.column - 1, kind, cell.value])
else:
    import xlrd
    book = xlrd.open_workbook(path)
    sheet = book.sheet_by_index(0)
    out["encoding"] = book.encoding
    out["rows"] = sheet.nrows
    kinds = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number"}
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            kind = kinds.get(sheet.cell_type(r, c))
            if kind:
                out["cells"].append([r, c, kind, sheet.cell_value(r, c)])
print(json.dumps(out))
)PY";

const char *kGnumeric = R"PY(
import csv, json, subprocess, sys, tempfile, os
with tempfile.TemporaryDirectory() as folder:
    target = os.path.join(folder, "sheet.csv")
    run = subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", sys.argv[1], target],
                         capture_output=True, text=True)
    rows = []
    if run.returncode == 0:
        with open(target, newline="", encoding="utf-8") as f:
            rows = list(csv.reader(f))
    print(json.dumps({"ok": run.returncode == 0, "warnings": run.stderr + run.stdout, "rows": rows}))
)PY";

} // namespace

GnumericSheet readWithGnumeric(const QString &path)
{
    GnumericSheet sheet;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kGnumeric), path});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        sheet.warnings = QString::fromUtf8(python.readAllStandardError());
        return sheet;
    }
    const QJsonObject out = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    sheet.ok = out.value(QStringLiteral("ok")).toBool();
    sheet.warnings = out.value(QStringLiteral("warnings")).toString();
    for (const QJsonValue &row : out.value(QStringLiteral("rows")).toArray()) {
        QStringList texts;
        for (const QJsonValue &cell : row.toArray())
            texts << cell.toString();
        sheet.rows << texts;
    }
    return sheet;
}

ReadWorkbook readWorkbook(const QString &path)
{
    ReadWorkbook book;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kReader), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        book.error = QString::fromUtf8(python.readAllStandardError());
        return book;
    }
    const QJsonObject out = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    book.ok = true;
    book.encoding = out.value(QStringLiteral("encoding")).toString();
    book.frozenAt = out.value(QStringLiteral("frozen")).toString();
    book.rows = out.value(QStringLiteral("rows")).toInt();
    const QJsonObject widths = out.value(QStringLiteral("widths")).toObject();
    for (auto it = widths.begin(); it != widths.end(); ++it)
        book.columnWidths.insert(it.key().toInt(), it.value().toDouble());
    for (const QJsonValue &v : out.value(QStringLiteral("cells")).toArray()) {
        const QJsonArray cell = v.toArray();
        book.cells.insert({cell.at(0).toInt(), cell.at(1).toInt()},
                          {cell.at(2).toString(), cell.at(3).toVariant()});
    }
    return book;
}
