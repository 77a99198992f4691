#include "stock/workbookformats.h"

#include <QFile>
#include <freexl.h>

namespace workbook {

namespace {

// FreeXL's handle, closed on every path out (also after a failed open, which may leave one).
class XlsHandle {
public:
    ~XlsHandle()
    {
        if (handle)
            freexl_close(handle);
    }
    const void *handle = nullptr;
};

QString freexlText(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("找不到文件");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("内存不足");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        return QStringLiteral("文件头无效");
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
    case FREEXL_CFBF_EMPTY_FAT_CHAIN:
    case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
    case FREEXL_INVALID_MINI_STREAM:
    case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
        return QStringLiteral("文件被截断或内容不完整");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("文件中没有Excel工作簿");
    case FREEXL_BIFF_INVALID_BOF:
    case FREEXL_BIFF_INVALID_SST:
    case FREEXL_BIFF_ILLEGAL_SST_INDEX:
    case FREEXL_ILLEGAL_RK_VALUE:
    case FREEXL_CRAFTED_FILE:
        return QStringLiteral("工作簿记录无效");
    case FREEXL_INVALID_CHARACTER:
    case FREEXL_UNSUPPORTED_CHARSET:
        return QStringLiteral("文字编码无法识别");
    default:
        return QStringLiteral("FreeXL 错误 %1").arg(code);
    }
}

SheetCell cellOf(const FreeXL_CellValue &value)
{
    switch (value.type) {
    case FREEXL_CELL_INT:
        return SheetCell::ofNumber(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return SheetCell::ofNumber(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_TIME:
        // An empty text cell may come without its text.
        if (!value.value.text_value || !*value.value.text_value)
            return {};
        return SheetCell::ofText(QString::fromUtf8(value.value.text_value));
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        if (!value.value.text_value)
            return {};
        return SheetCell::ofDate(QString::fromUtf8(value.value.text_value));
    default:
        return {};
    }
}

} // namespace

void readXls(const QString &path, const QString &sheetName, SheetReceiver &receiver, const ReadProgress &progress)
{
    XlsHandle xls;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &xls.handle);
    if (opened != FREEXL_OK)
        throw damaged(path, freexlText(opened));

    unsigned int info = 0;
    if (freexl_get_info(xls.handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        throw encrypted(path);
    QDate dateOrigin(1899, 12, 30);
    if (freexl_get_info(xls.handle, FREEXL_BIFF_DATEMODE, &info) == FREEXL_OK && info == FREEXL_BIFF_DATEMODE_1904)
        dateOrigin = QDate(1904, 1, 1);

    unsigned int sheetCount = 0;
    if (freexl_get_info(xls.handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK)
        throw damaged(path, QStringLiteral("无法读出工作表"));
    QStringList names;
    int found = -1;
    for (unsigned int i = 0; i < sheetCount; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(xls.handle, static_cast<unsigned short>(i), &name) != FREEXL_OK || !name)
            throw damaged(path, QStringLiteral("无法读出工作表名"));
        names << QString::fromUtf8(name);
        if (found < 0 && sameSheetName(names.last(), sheetName))
            found = int(i);
    }
    if (found < 0)
        throw noSuchSheet(sheetName, names);

    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(xls.handle, static_cast<unsigned short>(found)) != FREEXL_OK
        || freexl_worksheet_dimensions(xls.handle, &rows, &columns) != FREEXL_OK)
        throw damaged(path, QStringLiteral("无法读出工作表 %1").arg(names.at(found)));

    receiver.begin(names.at(found), dateOrigin);
    RowTicker ticker(progress);
    SheetRow cells;
    for (unsigned int r = 0; r < rows; ++r) {
        ticker.row(int(r), [&] { return int(qint64(r) * 100 / rows); });
        cells.clear();
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            const int rc = freexl_get_cell_value(xls.handle, r, c, &value);
            if (rc != FREEXL_OK)
                throw damaged(path, freexlText(rc));
            SheetCell cell = cellOf(value);
            if (cell.kind != SheetCell::Kind::Empty)
                setCell(cells, c, std::move(cell));
        }
        if (!cells.empty())
            receiver.row(r, cells);
    }
}

} // namespace workbook
