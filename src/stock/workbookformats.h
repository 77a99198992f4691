#pragma once

// The readers of the workbook formats behind workbook::readSheet, and what they share.

#include "stock/workbookreader.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <string_view>
#include <utility>

namespace workbook {

// Excel 97–2003 workbooks (BIFF8 in a compound file), through FreeXL.
void readXls(const QString &path, const QString &sheetName, SheetReceiver &receiver, const ReadProgress &progress);

enum class ZipFormat { OfficeOpenXml, OpenDocument };
// OpenDocument spreadsheets (.ods) held in `content`, through liborcus.
void readOds(const QString &path, const QByteArray &content, const QString &sheetName, SheetReceiver &receiver,
             const ReadProgress &progress);

// Office Open XML workbooks (.xlsx) held in `content`, read as a stream by the program's own reader.
void readXlsx(const QString &path, const QByteArray &content, const QString &sheetName, SheetReceiver &receiver,
              const ReadProgress &progress);

// Comma-separated text in UTF-8 (with or without a byte order mark) or GBK. Its sheet is named
// after the file.
void readCsv(const QString &path, const QByteArray &content, SheetReceiver &receiver, const ReadProgress &progress);

// A cell address in A1 notation: "B12", "$B$12" (the letters of the column, the digits of the row,
// each perhaps after a "$"), as (column, row) counted from 0; nothing when it is no address.
std::optional<std::pair<long, long>> cellAddress(std::string_view address);

// True when a worksheet's name answers to the name asked for.
bool sameSheetName(const QString &name, const QString &wanted);
// The refusal when no worksheet answers: it names the worksheets the workbook has.
WorkbookError noSuchSheet(const QString &wanted, const QStringList &names);
WorkbookError damaged(const QString &path, const QString &detail);
WorkbookError encrypted(const QString &path);

// Tells the progress callback about every thousandth row, and stops the reading when asked to.
class RowTicker {
public:
    explicit RowTicker(const ReadProgress &progress) : m_progress(progress) {}
    // `percent` is asked for only when a report is due; -1 when it cannot be told.
    template <class Percent>
    void row(int rowsRead, Percent &&percent)
    {
        if (!m_progress || rowsRead < m_next)
            return;
        m_next = rowsRead + kEvery;
        if (!m_progress(rowsRead, percent()))
            throw ImportCancelled();
    }
    void row(int rowsRead)
    {
        row(rowsRead, [] { return -1; });
    }

private:
    static constexpr int kEvery = 1000;
    const ReadProgress &m_progress;
    int m_next = kEvery;
};

} // namespace workbook
