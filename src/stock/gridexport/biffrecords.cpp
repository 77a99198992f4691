#include "stock/gridexport/biffrecords.h"

#include <QStringEncoder>
#include <QtEndian>
#include <cstring>

namespace biff {
namespace {

class Record {
public:
    Record(quint16 number, int reserve) { m_bytes.reserve(4 + reserve); put16(number); put16(0); }
    Record &put8(quint8 v)
    {
        m_bytes.append(char(v));
        return *this;
    }
    Record &put16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        m_bytes.append(b, 2);
        return *this;
    }
    Record &put32(qint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_bytes.append(b, 4);
        return *this;
    }
    Record &putDouble(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        char b[8];
        qToLittleEndian(bits, b);
        m_bytes.append(b, 8);
        return *this;
    }
    Record &putBytes(const QByteArray &bytes)
    {
        m_bytes.append(bytes);
        return *this;
    }
    QByteArray done()
    {
        qToLittleEndian(quint16(m_bytes.size() - 4), m_bytes.data() + 2);
        return m_bytes;
    }

private:
    QByteArray m_bytes;
};

Record cell(quint16 number, quint16 row, quint16 column, quint16 format, int reserve)
{
    Record r(number, reserve);
    r.put16(row).put16(column).put16(format);
    return r;
}

} // namespace

namespace {

// Excel 5 records: texts are bytes of the workbook's code page, as the cells' GBK texts are.
constexpr quint16 kExcel5 = 0x0500;
// The character set of the fonts: GB 2312 (simplified Chinese), for readers that decode a
// cell's text by its font.
constexpr quint8 kChineseCharset = 134;
// Cell formats 0–14 are styles; the cells refer to 0x0000 and 0x0017, so the table reaches 0x0017.
constexpr int kStyleFormats = 15;
constexpr int kFormats = 0x0018;

QByteArray font()
{
    const QByteArray name = QByteArrayLiteral("Arial");
    return Record(0x0031, 15 + int(name.size()))
        .put16(200)    // height in twentieths of a point: 10 pt
        .put16(0)      // no italic, no strike-out
        .put16(0x7FFF) // the window's text colour
        .put16(400)    // normal weight
        .put16(0)      // no super- or subscript
        .put8(0)       // no underline
        .put8(0)       // no font family
        .put8(kChineseCharset)
        .put8(0)
        .put8(quint8(name.size()))
        .putBytes(name)
        .done();
}

QByteArray cellFormat(bool style)
{
    return Record(0x00E0, 16)
        .put16(0)                        // font 0
        .put16(0)                        // number format: General
        .put16(style ? 0xFFF5 : 0x0001)  // a style, or a cell of style 0; locked
        .put16(0x0020)                   // aligned by value, bottom
        .put16(0x20C0)                   // automatic pattern colours
        .put16(0).put16(0).put16(0)      // no pattern, no borders
        .done();
}

QByteArray endOfStream()
{
    return Record(0x000A, 0).done();
}

} // namespace

QByteArray workbookGlobals()
{
    QByteArray globals = Record(0x0809, 8).put16(kExcel5).put16(0x0005).put16(0).put16(0).done();
    globals += codePage(kGbkCodePage);
    for (int i = 0; i < 4; ++i) // a reader skips font index 4: four fonts stand before it
        globals += font();
    for (int i = 0; i < kFormats; ++i)
        globals += cellFormat(i < kStyleFormats);
    const QByteArray name = QByteArrayLiteral("Sheet1");
    const QByteArray end = endOfStream();
    const qsizetype sheetListLength = 4 + 7 + name.size();
    const quint32 sheetStart = quint32(globals.size() + sheetListLength + end.size());
    globals += Record(0x0085, 7 + int(name.size()))
                   .put32(qint32(sheetStart))
                   .put8(0) // visible
                   .put8(0) // worksheet
                   .put8(quint8(name.size()))
                   .putBytes(name)
                   .done();
    return globals + end;
}

QByteArray beginSheet()
{
    return Record(0x0809, 8).put16(kExcel5).put16(0x0010).put16(0).put16(0).done();
}

QByteArray codePage(quint16 page)
{
    return Record(0x0042, 2).put16(page).done();
}

QByteArray text(quint16 row, quint16 column, const QByteArray &gbk)
{
    const QByteArray bytes = gbk.left(kMaxTextBytes);
    return cell(0x0204, row, column, 0, 8 + int(bytes.size())).put16(quint16(bytes.size())).putBytes(bytes).done();
}

QByteArray number(quint16 row, quint16 column, double value)
{
    return cell(0x0203, row, column, 0, 14).putDouble(value).done();
}

QByteArray integer(quint16 row, quint16 column, qint32 value)
{
    return cell(0x027E, row, column, 0, 10).put32(value * 4 + 2).done();
}

QByteArray empty(quint16 row, quint16 column)
{
    return cell(0x0201, row, column, 0x0017, 6).done();
}

QByteArray endSheet()
{
    return endOfStream();
}

QByteArray gbk(const QString &text)
{
    // Opening a converter costs far more than a short text: one serves every call. It writes "?"
    // for a character GBK lacks by itself.
    static QStringEncoder encoder("GBK");
    encoder.resetState();
    QByteArray bytes = encoder.encode(text);
    if (bytes.size() <= kMaxTextBytes)
        return bytes;
    // Too long for one record: as many whole characters as fit.
    bytes.clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        encoder.resetState();
        const QByteArray encoded = encoder.encode(QStringView(text).mid(i, length));
        if (bytes.size() + encoded.size() > kMaxTextBytes)
            break;
        bytes += encoded;
        i += length;
    }
    return bytes;
}

} // namespace biff
