#include "stock/workbookformats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cctype>
#include <optional>

namespace workbook {

namespace {

const QByteArray kCompoundFileSignature = QByteArray::fromHex("D0CF11E0A1B11AE1");
const QByteArray kZipSignature = QByteArrayLiteral("PK\x03\x04");

// A workbook saved with an open password is a compound file holding the encrypted package
// under this stream name (UTF-16 in the compound file's directory).
bool holdsEncryptedPackage(const QByteArray &content)
{
    const QString name = QStringLiteral("EncryptedPackage");
    const QByteArray utf16(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
    return content.contains(utf16);
}

// A zip holding an OpenDocument spreadsheet starts with its uncompressed "mimetype" entry; one
// holding an Office Open XML workbook names the part xl/workbook.xml in its entries.
std::optional<ZipFormat> zipFormat(const QByteArray &content)
{
    if (content.left(200).contains("application/vnd.oasis.opendocument.spreadsheet"))
        return ZipFormat::OpenDocument;
    if (content.contains("xl/workbook.xml"))
        return ZipFormat::OfficeOpenXml;
    return std::nullopt;
}

WorkbookError notAWorkbook(const QString &path)
{
    return WorkbookError(QStringLiteral("%1 不是可以读取的工作簿：请选择 Excel 工作簿（.xls、.xlsx）、"
                                        "OpenDocument 表格（.ods）或 CSV 文本（.csv）")
                             .arg(QDir::toNativeSeparators(path)));
}

} // namespace

WorkbookError rowsBeyondLimit()
{
    return WorkbookError(QStringLiteral("工作表超过 %1 行的上限，无法导入").arg(kMaxSheetRows));
}

WorkbookError columnsBeyondLimit()
{
    return WorkbookError(QStringLiteral("工作表超过 %1 列的上限，无法导入").arg(kMaxSheetColumns));
}

WorkbookError cellBeyondLimit()
{
    return WorkbookError(QStringLiteral("工作表中有单元格超过 %1 个字符的上限，无法导入").arg(kMaxCellCharacters));
}

bool sameSheetName(const QString &name, const QString &wanted)
{
    return name.trimmed().compare(wanted.trimmed(), Qt::CaseInsensitive) == 0;
}

WorkbookError noSuchSheet(const QString &wanted, const QStringList &names)
{
    return WorkbookError(QStringLiteral("工作簿中没有名为 %1 的工作表（现有工作表：%2）")
                             .arg(wanted, names.isEmpty() ? QStringLiteral("无") : names.join(QStringLiteral("、"))));
}

WorkbookError damaged(const QString &path, const QString &detail)
{
    return WorkbookError(QStringLiteral("工作簿 %1 已损坏或不完整，无法读取（%2）")
                             .arg(QDir::toNativeSeparators(path), detail));
}

WorkbookError encrypted(const QString &path)
{
    return WorkbookError(QStringLiteral("工作簿 %1 设有打开密码（已加密），无法读取：请在Excel中去掉密码另存后再导入")
                             .arg(QDir::toNativeSeparators(path)));
}

std::optional<std::pair<long, long>> cellAddress(std::string_view address)
{
    size_t i = 0;
    auto skipDollar = [&] {
        if (i < address.size() && address[i] == '$')
            ++i;
    };
    skipDollar();
    long column = 0, row = 0;
    size_t letters = 0, digits = 0;
    for (; i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])); ++i, ++letters)
        column = column * 26 + (std::toupper(static_cast<unsigned char>(address[i])) - 'A' + 1);
    skipDollar();
    for (; i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])); ++i, ++digits)
        row = row * 10 + (address[i] - '0');
    if (!letters || !digits || i != address.size() || letters > 3 || digits > 7 || row == 0)
        return std::nullopt;
    return std::pair{column - 1, row - 1};
}

void readSheet(const QString &path, const QString &sheetName, SheetReceiver &receiver, const ReadProgress &progress)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        throw WorkbookError(QStringLiteral("找不到工作簿文件 %1").arg(shown));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError(QStringLiteral("无法打开工作簿文件 %1：%2").arg(shown, file.errorString()));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw WorkbookError(QStringLiteral("无法读取工作簿文件 %1：%2").arg(shown, file.errorString()));
    file.close();
    if (content.isEmpty())
        throw WorkbookError(QStringLiteral("工作簿文件 %1 是空的").arg(shown));

    if (content.startsWith(kCompoundFileSignature)) {
        if (holdsEncryptedPackage(content))
            throw encrypted(path);
        return readXls(path, sheetName, receiver, progress);
    }
    if (content.startsWith(kZipSignature)) {
        const std::optional<ZipFormat> format = zipFormat(content);
        if (!format)
            throw notAWorkbook(path);
        if (*format == ZipFormat::OfficeOpenXml)
            return readXlsx(path, content, sheetName, receiver, progress);
        return readOds(path, content, sheetName, receiver, progress);
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv") || suffix == QLatin1String("txt"))
        return readCsv(path, content, receiver, progress);
    throw notAWorkbook(path);
}

} // namespace workbook

void refuseColumnsBeyondLimit()
{
    throw workbook::columnsBeyondLimit();
}
