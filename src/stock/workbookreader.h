#pragma once

#include "common/errors.h"
#include "stock/worksheet.h"

#include <functional>

// A workbook that cannot be read: missing, damaged, encrypted, or without the worksheet asked for.
// The text says why in words a shop assistant understands.
class WorkbookError : public UserVisibleError {
public:
    using UserVisibleError::UserVisibleError;
};

// The person stopped a long import; nothing has been written. Not a std::exception, so no
// reader library on the way out mistakes it for an error of its own.
struct ImportCancelled {};

// Called now and then while a worksheet is read: the sheet rows read so far and how far through
// the workbook that is in percent, or -1 where the reader cannot tell. Returns false when the
// person wants to stop; the reader then throws ImportCancelled.
using ReadProgress = std::function<bool(int rowsRead, int percent)>;

namespace workbook {

// The refusals of a sheet beyond the spreadsheet limits (worksheet.h), naming the limit.
WorkbookError rowsBeyondLimit();
WorkbookError columnsBeyondLimit();
WorkbookError cellBeyondLimit();

// Reads the worksheet `sheetName` (letter case and surrounding blanks ignored) of the workbook
// at `path`, handing its rows to `receiver` as it goes. The kind of workbook is told by its
// content: Excel 97–2003 (.xls), Office Open XML (.xlsx) or OpenDocument (.ods); a file with none
// of those signatures named *.csv is read as comma-separated text in UTF-8 or GBK, its one sheet
// answering to any name. Raises WorkbookError saying why when the file cannot be read or holds no
// such worksheet; an error the receiver raises passes through unchanged.
void readSheet(const QString &path, const QString &sheetName, SheetReceiver &receiver,
               const ReadProgress &progress = {});

} // namespace workbook
