#include "stock/gridexport/xlsxsheetwriter.h"

#include <QRegularExpression>
#include <xlsxwriter.h>

namespace {

// Excel holds at most this many characters in a cell.
constexpr qsizetype kMaxCellText = 32767;

QByteArray utf8(const QString &text)
{
    return text.left(kMaxCellText).toUtf8();
}

// A sheet name Excel accepts: at most 31 characters, none of []:*?/\.
QByteArray sheetNameFrom(const QString &title)
{
    static const QRegularExpression refused(QStringLiteral("[\\[\\]:*?/\\\\\\s]"));
    QString name = title;
    name.remove(refused);
    return name.left(31).toUtf8();
}

} // namespace

XlsxSheetWriter::XlsxSheetWriter(const QString &fileName, const QString &sheetName)
{
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are finished
    m_book = workbook_new_opt(fileName.toLocal8Bit().constData(), &options);
    if (!m_book) {
        m_error = LXW_ERROR_MEMORY_MALLOC_FAILED;
        return;
    }
    const QByteArray name = sheetNameFrom(sheetName);
    m_sheet = workbook_add_worksheet(m_book, name.isEmpty() ? nullptr : name.constData());
    if (!m_sheet)
        m_sheet = workbook_add_worksheet(m_book, nullptr);

    m_heading = workbook_add_format(m_book);
    format_set_bold(m_heading);
    m_title = workbook_add_format(m_book);
    format_set_bold(m_title);
    format_set_align(m_title, LXW_ALIGN_CENTER);
    format_set_align(m_title, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(m_title, LXW_BORDER_THIN);
    format_set_bg_color(m_title, 0xDDEBF7);
    m_group = workbook_add_format(m_book);
    format_set_bold(m_group);
    format_set_align(m_group, LXW_ALIGN_CENTER_ACROSS);
    format_set_top(m_group, LXW_BORDER_THIN);
    format_set_bottom(m_group, LXW_BORDER_THIN);
    format_set_bg_color(m_group, 0xDDEBF7);
    m_footer = workbook_add_format(m_book);
    format_set_bold(m_footer);
    format_set_top(m_footer, LXW_BORDER_DOUBLE);
}

XlsxSheetWriter::~XlsxSheetWriter()
{
    // A workbook that was never finished is freed without writing anything.
    if (m_book)
        lxw_workbook_free(m_book);
}

void XlsxSheetWriter::check(int error)
{
    if (error != LXW_NO_ERROR && m_error == LXW_NO_ERROR)
        m_error = error;
}

lxw_format *XlsxSheetWriter::formatOf(Role role) const
{
    switch (role) {
    case Role::Heading:
        return m_heading;
    case Role::ColumnTitle:
        return m_title;
    case Role::Footer:
        return m_footer;
    case Role::Data:
        break;
    }
    return nullptr;
}

void XlsxSheetWriter::begin(const SheetShape &shape)
{
    m_shape = shape;
    if (!m_sheet)
        return;
    for (int c = 0; c < shape.columnWidths.size(); ++c)
        check(worksheet_set_column_pixels(m_sheet, lxw_col_t(c), lxw_col_t(c), uint32_t(shape.columnWidths.at(c)),
                                          nullptr));
    worksheet_freeze_panes(m_sheet, lxw_row_t(shape.firstDataRow), 0);
}

void XlsxSheetWriter::text(int row, int column, const QString &text, Role role)
{
    if (!m_sheet)
        return;
    lxw_format *format = formatOf(role);
    if (text.isEmpty()) {
        // An empty string cell is no cell in a workbook; a styled blank keeps the title's look.
        if (format)
            check(worksheet_write_blank(m_sheet, lxw_row_t(row), lxw_col_t(column), format));
        return;
    }
    check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), utf8(text).constData(), format));
}

void XlsxSheetWriter::number(int row, int column, double value)
{
    if (m_sheet)
        check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, nullptr));
}

void XlsxSheetWriter::integer(int row, int column, int value)
{
    number(row, column, value);
}

void XlsxSheetWriter::empty(int, int)
{
}

void XlsxSheetWriter::groupTitle(int row, int column, const QString &title, bool continuesGroup)
{
    if (!m_sheet)
        return;
    // Written once, over the first of its columns; the blanks beside it take the centring across.
    if (continuesGroup)
        check(worksheet_write_blank(m_sheet, lxw_row_t(row), lxw_col_t(column), m_group));
    else
        check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), utf8(title).constData(), m_group));
}

void XlsxSheetWriter::footerSum(int row, int column, double sum)
{
    if (!m_sheet)
        return;
    if (m_shape.lastDataRow < m_shape.firstDataRow) {
        check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), 0, m_footer));
        return;
    }
    char range[64];
    lxw_rowcol_to_range(range, lxw_row_t(m_shape.firstDataRow), lxw_col_t(column), lxw_row_t(m_shape.lastDataRow),
                        lxw_col_t(column));
    const QByteArray formula = QByteArrayLiteral("=SUM(") + range + ')';
    check(worksheet_write_formula_num(m_sheet, lxw_row_t(row), lxw_col_t(column), formula.constData(), m_footer, sum));
}

QString XlsxSheetWriter::finish()
{
    if (!m_book)
        return QString::fromUtf8(lxw_strerror(lxw_error(m_error)));
    if (m_error != LXW_NO_ERROR)
        return QString::fromUtf8(lxw_strerror(lxw_error(m_error)));
    const lxw_error closed = workbook_close(m_book);
    m_book = nullptr; // closing frees it, whatever the outcome
    return closed == LXW_NO_ERROR ? QString() : QString::fromUtf8(lxw_strerror(closed));
}
