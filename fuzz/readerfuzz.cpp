// One fuzz target per workbook reader (libFuzzer): the bytes are read as a workbook of the format
// the target is built for (TOLVANE_FUZZ_FORMAT), the way the reading process reads a file. A crash
// found here is one the reading process contains; `make fuzz` runs the targets in libFuzzer's fork
// mode, so it records such crashes as findings and goes on.

#include "stock/workbookformats.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <new>
#include <unistd.h>

namespace {

struct Discard : SheetReceiver {
    void begin(const QString &, const QDate &) override {}
    void row(size_t, const SheetRow &cells) override
    {
        for (const SheetCell &cell : cells)
            volatile qsizetype length = cell.text.size();
    }
};

// FreeXL opens workbooks by name only: the bytes go into a file of this process's own.
QString fileOf(const QByteArray &bytes)
{
    static const QString path = QStringLiteral("/tmp/tolvane-fuzz-%1.xls").arg(getpid());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Discard receiver;
    const QString sheet = QStringLiteral("pemrod");
    try {
#if TOLVANE_FUZZ_FORMAT == 1
        workbook::readXls(fileOf(bytes), sheet, receiver, {});
#elif TOLVANE_FUZZ_FORMAT == 2
        workbook::readXlsx(QStringLiteral("fuzz.xlsx"), bytes, sheet, receiver, {});
#elif TOLVANE_FUZZ_FORMAT == 3
        workbook::readOds(QStringLiteral("fuzz.ods"), bytes, sheet, receiver, {});
#else
        workbook::readCsv(QStringLiteral("fuzz.csv"), bytes, receiver, {});
#endif
    } catch (const UserVisibleError &) {
    } catch (const std::bad_alloc &) {
    }
    return 0;
}
