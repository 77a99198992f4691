#include "stock/workbookformats.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace workbook {

namespace {

// The first line (counted from 1) with bytes that cannot be GBK: a byte that starts no character,
// or a first byte of a two-byte character without a valid second byte; 0 when the bytes are
// well-formed (a code GBK leaves unassigned is not found this way). A line feed is never part of
// a two-byte character, so lines can be counted as the bytes go.
qsizetype firstLineNotGbk(const QByteArray &content)
{
    qsizetype line = 1;
    const qsizetype n = content.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = uchar(content[i]);
        if (b == '\n')
            ++line;
        if (b <= 0x80) // ASCII, and the euro sign of code page 936
            continue;
        if (b == 0xFF)
            return line;
        const uchar trail = i + 1 < n ? uchar(content[i + 1]) : 0;
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return line;
        ++i;
    }
    return 0;
}

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
    if (!gbk.isValid() || gbk.hasError()) {
        const qsizetype line = firstLineNotGbk(content);
        throw damaged(path, line > 0 ? QStringLiteral("第 %1 行的文字既不是 UTF-8 也不是 GBK 编码").arg(line)
                                     : QStringLiteral("文字既不是 UTF-8 也不是 GBK 编码"));
    }
    return text;
}

} // namespace

// Fields are separated by commas and rows by line breaks (LF or CR LF); a field in double quotes
// may hold commas, line breaks and doubled quotes. Every field is text; an empty one is empty.
void readCsv(const QString &path, const QByteArray &content, SheetReceiver &receiver, const ReadProgress &progress)
{
    const QString text = decode(path, content);
    receiver.begin(QFileInfo(path).completeBaseName(), QDate(1899, 12, 30));
    RowTicker ticker(progress);
    SheetRow cells;
    const qsizetype n = text.size();
    const QChar *p = text.constData();
    auto endsField = [](QChar c) { return c == u',' || c == u'\n' || c == u'\r'; };
    auto restOfField = [&](qsizetype from) {
        qsizetype to = from;
        while (to < n && !endsField(p[to]))
            ++to;
        return to;
    };
    size_t row = 0, column = 0;
    qsizetype i = 0;
    while (i < n) {
        QString field;
        if (p[i] == u'"') {
            // A quoted field runs to the quote that is not doubled; whatever follows that quote up
            // to the separator belongs to the field too.
            qsizetype j = i + 1, from = j;
            for (;;) {
                if (j >= n)
                    throw damaged(path, QStringLiteral("第 %1 行的引号没有结束").arg(row + 1));
                if (p[j] != u'"') {
                    ++j;
                    continue;
                }
                field += QStringView(p + from, j - from);
                if (j + 1 < n && p[j + 1] == u'"') {
                    field += u'"';
                    j += 2;
                    from = j;
                    continue;
                }
                break;
            }
            const qsizetype end = restOfField(j + 1);
            field += QStringView(p + j + 1, end - j - 1);
            i = end;
        } else {
            const qsizetype end = restOfField(i);
            field = text.sliced(i, end - i);
            i = end;
        }
        if (!field.isEmpty())
            setCell(cells, column, SheetCell::ofText(std::move(field)));
        if (i >= n)
            break;
        if (p[i] == u',') {
            ++column;
            ++i;
            continue;
        }
        if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n')
            ++i;
        ++i;
        if (!cells.empty())
            receiver.row(row, cells);
        cells.clear();
        ++row;
        column = 0;
        ticker.row(int(row), [&] { return int(i * 100 / n); });
    }
    if (!cells.empty())
        receiver.row(row, cells);
}

} // namespace workbook
