#pragma once

#include "stock/gridexport/sheetwriter.h"

#include <QByteArray>
#include <functional>

// Writes the cells as a legacy Excel worksheet stream: the workbook's fonts and cell formats, the
// start of the sheet, the code page of its GBK texts, the cells, end of sheet. Records are gathered and written in large pieces; after a failed
// write nothing more is written and ok() is false.
class BiffSheetWriter : public SheetWriter {
public:
    // `write` takes the bytes in order and says whether they were written.
    using Write = std::function<bool(const QByteArray &bytes)>;
    explicit BiffSheetWriter(Write write);

    void begin(const SheetShape &shape) override;
    void text(int row, int column, const QString &text, Role role) override;
    void number(int row, int column, double value) override;
    void integer(int row, int column, int value) override;
    void empty(int row, int column) override;
    // Writes the end of the sheet and whatever is still gathered.
    bool finish();
    bool ok() const { return m_ok; }

private:
    void put(const QByteArray &record);
    void flush();

    Write m_write;
    QByteArray m_pending;
    bool m_ok = true;
};
