#pragma once

#include "stock/workbookreader.h"

// Workbooks come from outside: a damaged or hostile file may crash a reader library or ask it for
// gigabytes. They are read in a process of their own (the program "tolvane-sheetreader" beside the
// program), with limits on its memory and time, and its rows stream back through a pipe; a crash,
// a limit or a silence of the reader costs a message, never the program.
namespace workbook {

struct ReaderLimits {
    qint64 memoryBytes = 256ll * 1024 * 1024; // the reader's data (heap and private maps)
    int cpuSeconds = 120;                     // the reader's processor time
    int silentSeconds = 30;                   // longest wait for a word from the reader
};

// Reads as readSheet() does, in the reading process. `progress` is called about ten times a
// second with the rows received so far, also while the reader is still busy with the file, so
// the window stays responsive; returning false stops the reader and raises ImportCancelled.
// Raises WorkbookError ("工作簿无法读取：…") when the reader fails, crashes, passes a limit or
// falls silent; errors the receiver raises pass through, the reader stopped.
void readSheetApart(const QString &path, const QString &sheetName, SheetReceiver &receiver,
                    const ReadProgress &progress = {}, const ReaderLimits &limits = {});

// The reading program's file; empty when it is not installed beside the program.
QString readerProgram();

} // namespace workbook
