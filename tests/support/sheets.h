#pragma once

#include "stock/workbookreader.h"
#include "stock/worksheet.h"

#include <QDate>
#include <QList>
#include <QVariant>

#include <vector>

// Keeps every row a workbook reader hands over, to look at in a test.
struct CollectedSheet : SheetReceiver {
    QString name;
    QDate dateOrigin;
    std::vector<SheetRow> rows; // by sheet row index; rows never handed over are empty

    void begin(const QString &sheetName, const QDate &origin) override
    {
        name = sheetName;
        dateOrigin = origin;
    }
    void row(size_t index, const SheetRow &cells) override
    {
        if (rows.size() <= index)
            rows.resize(index + 1);
        rows[index] = cells;
    }
    const SheetCell &at(size_t row, size_t column) const
    {
        static const SheetCell empty;
        return row < rows.size() && column < rows[row].size() ? rows[row][column] : empty;
    }
};

inline CollectedSheet collectSheet(const QString &path, const QString &sheetName, const ReadProgress &progress = {})
{
    CollectedSheet sheet;
    workbook::readSheet(path, sheetName, sheet, progress);
    return sheet;
}

// Hands `rows` to a receiver as a reader of a worksheet named `name` would: QString cells are text,
// QDate cells dates, other valid values numbers, invalid ones empty; rows with nothing in them are
// left out.
inline void feedSheet(SheetReceiver &receiver, const QList<QVariantList> &rows,
                      const QDate &dateOrigin = QDate(1899, 12, 30), const QString &name = QStringLiteral("pemrod"))
{
    receiver.begin(name, dateOrigin);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        SheetRow cells;
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            const QVariant &v = rows[r][c];
            if (!v.isValid())
                continue;
            if (v.typeId() == QMetaType::QString)
                setCell(cells, size_t(c), SheetCell::ofText(v.toString()));
            else if (v.typeId() == QMetaType::QDate)
                setCell(cells, size_t(c), SheetCell::ofDate(v.toDate().toString(Qt::ISODate)));
            else
                setCell(cells, size_t(c), SheetCell::ofNumber(v.toDouble()));
        }
        if (!cells.empty())
            receiver.row(size_t(r), cells);
    }
}
