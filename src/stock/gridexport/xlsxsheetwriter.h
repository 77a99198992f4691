#pragma once

#include "stock/gridexport/sheetwriter.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Writes the cells as an Excel workbook (.xlsx) of one sheet: numbers as number cells, the upper
// titles centred across their columns, the title rows frozen, the columns as wide as in the grid
// and the footer's sums as formulas over the data rows.
class XlsxSheetWriter : public SheetWriter {
public:
    // Creates the workbook; nothing is on disk before finish().
    XlsxSheetWriter(const QString &fileName, const QString &sheetName);
    ~XlsxSheetWriter() override;
    XlsxSheetWriter(const XlsxSheetWriter &) = delete;
    XlsxSheetWriter &operator=(const XlsxSheetWriter &) = delete;

    void begin(const SheetShape &shape) override;
    void text(int row, int column, const QString &text, Role role) override;
    void number(int row, int column, double value) override;
    void integer(int row, int column, int value) override;
    void empty(int row, int column) override;
    void groupTitle(int row, int column, const QString &title, bool continuesGroup) override;
    void footerSum(int row, int column, double sum) override;

    // Writes the file. Empty text on success, else what went wrong (the library's words).
    QString finish();

private:
    void check(int error);
    lxw_format *formatOf(Role role) const;

    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_heading = nullptr;
    lxw_format *m_title = nullptr;
    lxw_format *m_group = nullptr;
    lxw_format *m_footer = nullptr;
    SheetShape m_shape;
    int m_error = 0;
};
