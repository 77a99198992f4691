#pragma once

#include "stock/workbookreader.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The rows of a worksheet as a byte stream, from the reading process to the program: each message
// is one byte of kind, four bytes of length and the body. The program checks every length against
// the limits below before it trusts it, so whatever a broken reader sends costs a message only.
namespace sheetstream {

// The largest message the program takes: a row of many long cells is refused beyond it.
constexpr quint32 kMaxMessageBytes = 32u * 1024 * 1024;

// Refuses, with a WorkbookError that names the limit, a row past the spreadsheet limits.
void checkLimits(size_t index, const SheetRow &cells);

// Writes the messages of a reading to `send` (which writes them out in order).
class Writer : public SheetReceiver {
public:
    explicit Writer(std::function<void(const QByteArray &)> send) : m_send(std::move(send)) {}
    void begin(const QString &sheetName, const QDate &dateOrigin) override;
    void row(size_t index, const SheetRow &cells) override;
    void progress(int rowsRead, int percent);
    // The reading ended with a refusal the person should read.
    void failed(const QString &text);
    // The whole sheet was sent.
    void done();

private:
    void message(char kind, const QByteArray &body);
    std::function<void(const QByteArray &)> m_send;
    QByteArray m_rowBody, m_message; // reused from row to row
};

// Takes the bytes as they arrive and hands what they hold to a receiver and a progress callback.
class Reader {
public:
    Reader(SheetReceiver &receiver, std::function<void(int rowsRead, int percent)> progress)
        : m_receiver(receiver), m_progress(std::move(progress)) {}
    // Feeds more bytes. Raises WorkbookError for a message that breaks the stream's rules or the
    // limits, or for the reader's refusal; errors of the receiver pass through.
    void feed(const QByteArray &bytes);
    bool finished() const { return m_finished; }
    int rowsRead() const { return m_rows; }

private:
    void handle(char kind, const char *body, quint32 size);
    SheetReceiver &m_receiver;
    std::function<void(int, int)> m_progress;
    QByteArray m_pending;
    qsizetype m_used = 0; // bytes of m_pending already handled
    bool m_begun = false;
    bool m_finished = false;
    int m_rows = 0;
    SheetRow m_row; // reused from row to row
};

} // namespace sheetstream
