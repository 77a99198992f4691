#include "workbooks/sheetstream.h"

#include <cstring>

namespace sheetstream {

namespace {

enum Kind : char { Begin = 'B', Row = 'R', Progress = 'P', Failed = 'E', Done = 'D' };

template <class T>
void put(QByteArray &out, T value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

void putText(QByteArray &out, const QString &text)
{
    put(out, quint32(text.size()));
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * qsizetype(sizeof(char16_t)));
}

WorkbookError broken(const QString &what)
{
    return WorkbookError(QStringLiteral("工作簿无法读取：读取程序送回的数据不完整（%1）").arg(what));
}

// Reads the fields of one message body, refusing to read past its end.
class Body {
public:
    Body(const char *data, quint32 size) : m_data(data), m_left(size) {}
    template <class T>
    T take()
    {
        T value;
        need(sizeof value);
        std::memcpy(&value, m_data, sizeof value);
        advance(sizeof value);
        return value;
    }
    QString text(qsizetype maxCharacters)
    {
        const quint32 length = take<quint32>();
        if (length > maxCharacters)
            throw workbook::cellBeyondLimit();
        need(size_t(length) * sizeof(char16_t));
        QString text(reinterpret_cast<const QChar *>(m_data), qsizetype(length));
        advance(size_t(length) * sizeof(char16_t));
        return text;
    }
    bool atEnd() const { return m_left == 0; }

private:
    void need(size_t bytes) const
    {
        if (bytes > m_left)
            throw broken(QStringLiteral("消息过短"));
    }
    void advance(size_t bytes)
    {
        m_data += bytes;
        m_left -= bytes;
    }
    const char *m_data;
    size_t m_left;
};

} // namespace

void checkLimits(size_t index, const SheetRow &cells)
{
    if (index >= kMaxSheetRows)
        throw workbook::rowsBeyondLimit();
    if (cells.size() > kMaxSheetColumns)
        throw workbook::columnsBeyondLimit();
    for (const SheetCell &cell : cells) {
        if (cell.text.size() > kMaxCellCharacters)
            throw workbook::cellBeyondLimit();
    }
}

void Writer::message(char kind, const QByteArray &body)
{
    m_message.clear(); // keeps its room from message to message
    m_message.append(kind);
    put(m_message, quint32(body.size()));
    m_message.append(body);
    m_send(m_message);
}

void Writer::begin(const QString &sheetName, const QDate &dateOrigin)
{
    QByteArray body;
    put(body, qint64(dateOrigin.toJulianDay()));
    putText(body, sheetName.left(kMaxCellCharacters));
    message(Begin, body);
}

void Writer::row(size_t index, const SheetRow &cells)
{
    checkLimits(index, cells);
    QByteArray &body = m_rowBody;
    body.clear();
    put(body, quint64(index));
    put(body, quint32(cells.size()));
    for (const SheetCell &cell : cells) {
        put(body, quint8(cell.kind));
        if (cell.kind == SheetCell::Kind::Number)
            put(body, cell.number);
        else if (cell.kind != SheetCell::Kind::Empty)
            putText(body, cell.text);
    }
    if (quint64(body.size()) > kMaxMessageBytes)
        throw WorkbookError(QStringLiteral("工作表第 %1 行的内容超过 %2 MB，无法导入")
                                .arg(index + 1)
                                .arg(kMaxMessageBytes / (1024 * 1024)));
    message(Row, body);
}

void Writer::progress(int rowsRead, int percent)
{
    QByteArray body;
    put(body, qint32(rowsRead));
    put(body, qint32(percent));
    message(Progress, body);
}

void Writer::failed(const QString &text)
{
    QByteArray body;
    putText(body, text.left(4096));
    message(Failed, body);
}

void Writer::done()
{
    message(Done, {});
}

void Reader::feed(const QByteArray &bytes)
{
    if (m_finished)
        throw broken(QStringLiteral("结束后还有数据"));
    m_pending.append(bytes);
    while (!m_finished) {
        const qsizetype available = m_pending.size() - m_used;
        if (available < 5)
            break;
        const char *head = m_pending.constData() + m_used;
        quint32 size;
        std::memcpy(&size, head + 1, sizeof size);
        if (size > kMaxMessageBytes)
            throw broken(QStringLiteral("消息超过 %1 MB").arg(kMaxMessageBytes / (1024 * 1024)));
        if (available < 5 + qsizetype(size))
            break;
        m_used += 5 + qsizetype(size);
        handle(head[0], head + 5, size);
    }
    // What was handled is dropped now and then, not at every message, so a stream of small rows
    // does not move the rest of the buffer each time.
    if (m_used > 0 && (m_used == m_pending.size() || m_used > 1024 * 1024)) {
        m_pending.remove(0, m_used);
        m_used = 0;
    }
}

void Reader::handle(char kind, const char *data, quint32 size)
{
    Body body(data, size);
    switch (kind) {
    case Begin: {
        if (m_begun)
            throw broken(QStringLiteral("工作表开始了两次"));
        const qint64 origin = body.take<qint64>();
        const QString name = body.text(kMaxCellCharacters);
        m_begun = true;
        m_receiver.begin(name, QDate::fromJulianDay(origin));
        break;
    }
    case Row: {
        if (!m_begun)
            throw broken(QStringLiteral("行在工作表之前"));
        const quint64 index = body.take<quint64>();
        const quint32 count = body.take<quint32>();
        if (index >= kMaxSheetRows)
            throw workbook::rowsBeyondLimit();
        if (count > kMaxSheetColumns)
            throw workbook::columnsBeyondLimit();
        m_row.resize(count);
        for (SheetCell &cell : m_row) {
            const quint8 cellKind = body.take<quint8>();
            if (cellKind > quint8(SheetCell::Kind::Date))
                throw broken(QStringLiteral("未知的单元格类型"));
            cell.kind = SheetCell::Kind(cellKind);
            cell.number = cell.kind == SheetCell::Kind::Number ? body.take<double>() : 0;
            cell.text = cell.kind == SheetCell::Kind::Text || cell.kind == SheetCell::Kind::Date
                            ? body.text(kMaxCellCharacters)
                            : QString();
        }
        ++m_rows;
        m_receiver.row(size_t(index), m_row);
        break;
    }
    case Progress: {
        const qint32 rows = body.take<qint32>();
        const qint32 percent = body.take<qint32>();
        if (m_progress)
            m_progress(rows, percent);
        break;
    }
    case Failed:
        throw WorkbookError(body.text(4096));
    case Done:
        m_finished = true;
        break;
    default:
        throw broken(QStringLiteral("未知的消息"));
    }
    if (!body.atEnd())
        throw broken(QStringLiteral("消息过长"));
}

} // namespace sheetstream
