#include "stock/gridexport/biffsheetwriter.h"

#include "stock/gridexport/biffrecords.h"


namespace {
constexpr qsizetype kChunk = 256 * 1024;
}

BiffSheetWriter::BiffSheetWriter(Write write) : m_write(std::move(write))
{
    m_pending.reserve(kChunk + 0x10000);
}

void BiffSheetWriter::begin(const SheetShape &)
{
    put(biff::workbookGlobals());
    put(biff::beginSheet());
    put(biff::codePage(biff::kGbkCodePage));
}

void BiffSheetWriter::text(int row, int column, const QString &text, Role)
{
    put(biff::text(quint16(row), quint16(column), biff::gbk(text)));
}

void BiffSheetWriter::number(int row, int column, double value)
{
    put(biff::number(quint16(row), quint16(column), value));
}

void BiffSheetWriter::integer(int row, int column, int value)
{
    put(biff::integer(quint16(row), quint16(column), value));
}

void BiffSheetWriter::empty(int row, int column)
{
    put(biff::empty(quint16(row), quint16(column)));
}

bool BiffSheetWriter::finish()
{
    put(biff::endSheet());
    flush();
    return m_ok;
}

void BiffSheetWriter::put(const QByteArray &record)
{
    if (!m_ok)
        return;
    m_pending += record;
    if (m_pending.size() >= kChunk)
        flush();
}

void BiffSheetWriter::flush()
{
    if (m_ok && !m_pending.isEmpty())
        m_ok = m_write(m_pending);
    m_pending.clear();
}
