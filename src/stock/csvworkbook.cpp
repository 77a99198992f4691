#include "stock/workbookformats.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace workbook {

namespace {

// UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped), GBK otherwise: what Excel
// writes for "CSV UTF-8" and for plain "CSV" on a Chinese Windows.
QString decode(const QString &path, const QByteArray &content)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    QStringDecoder gbk("GBK");
    text = gbk(content);
    if (!gbk.isValid() || gbk.hasError())
        throw damaged(path, QStringLiteral("文字既不是 UTF-8 也不是 GBK 编码"));
    return text;
}

} // namespace

// Fields are separated by commas and rows by line breaks (LF or CR LF); a field in double quotes
// may hold commas, line breaks and doubled quotes. Every field is text; an empty one is empty.
Worksheet readCsv(const QString &path, const QByteArray &content, const ReadProgress &progress)
{
    const QString text = decode(path, content);
    Worksheet sheet;
    sheet.name = QFileInfo(path).completeBaseName();
    RowTicker ticker(progress);
    const qsizetype n = text.size();
    const QChar *p = text.constData();
    size_t row = 0, column = 0;
    QString field;
    auto endField = [&] {
        if (!field.isEmpty())
            sheet.set(row, column, SheetCell::ofText(field));
        field.clear();
        ++column;
    };
    auto endRow = [&] {
        endField();
        ++row;
        column = 0;
        ticker.row(int(row));
    };
    qsizetype i = 0;
    while (i < n) {
        if (p[i] == QLatin1Char('"') && field.isEmpty()) {
            // A quoted field runs to the quote that is not doubled.
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    throw damaged(path, QStringLiteral("第 %1 行的引号没有结束").arg(row + 1));
                if (p[j] == QLatin1Char('"')) {
                    if (j + 1 < n && p[j + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        j += 2;
                        continue;
                    }
                    break;
                }
                field += p[j++];
            }
            i = j + 1;
            // Whatever follows the closing quote up to the separator belongs to the field too.
            while (i < n && p[i] != QLatin1Char(',') && p[i] != QLatin1Char('\n') && p[i] != QLatin1Char('\r'))
                field += p[i++];
            continue;
        }
        if (p[i] == QLatin1Char(',')) {
            endField();
            ++i;
        } else if (p[i] == QLatin1Char('\r') || p[i] == QLatin1Char('\n')) {
            if (p[i] == QLatin1Char('\r') && i + 1 < n && p[i + 1] == QLatin1Char('\n'))
                ++i;
            endRow();
            ++i;
        } else {
            field += p[i++];
        }
    }
    if (!field.isEmpty() || column > 0)
        endField();
    return sheet;
}

} // namespace workbook
