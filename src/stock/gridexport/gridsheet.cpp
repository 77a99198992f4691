#include "stock/gridexport/gridsheet.h"

#include <algorithm>

#include "common/clock.h"
#include "common/numbertext.h"
#include "data/dataset.h"
#include "stock/gridexport/sheetwriter.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kLargestInteger = (qint64(1) << 29) - 1;

bool isWholeNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace

GridSheet::GridSheet(const Grid &grid, SheetHeading heading)
    : m_grid(grid), m_heading(std::move(heading)), m_columns(grid.visibleColumns())
{
}

int GridSheet::headingRows() const
{
    const bool dates = !m_heading.beginDate.trimmed().isEmpty() || !m_heading.endDate.trimmed().isEmpty();
    return dates ? 3 : 2;
}

int GridSheet::titleRows() const
{
    for (int column : m_columns) {
        if (!m_grid.model()->columns().at(column).group.isEmpty())
            return 2;
    }
    return 1;
}

bool GridSheet::hasFooter() const
{
    for (const GridColumn &c : m_grid.model()->columns()) {
        if (c.footer != GridColumn::Footer::None)
            return true;
    }
    return false;
}

int GridSheet::dataRowCount() const
{
    const Dataset &rows = m_grid.dataset();
    return rows.isOpen() ? rows.recordCount() : 0;
}

int GridSheet::rowCount() const
{
    return headingRows() + titleRows() + dataRowCount() + (hasFooter() ? 1 : 0);
}

namespace {
constexpr int kSpreadsheetDigitPixels = 7;
constexpr int kSpreadsheetCellPadding = 12;
} // namespace

void GridSheet::write(SheetWriter &writer, const std::function<void(int rows)> &rowWritten) const
{
    const GridColumns &columns = m_grid.model()->columns();
    const int firstData = headingRows() + titleRows();
    const int dataRows = dataRowCount();

    SheetShape shape;
    for (int column : m_columns) {
        // As wide as the grid shows it, and wide enough for the column's total and title in a
        // spreadsheet's default font (seven pixels a digit, a Chinese character two), so no total
        // is shown rounded or as ####.
        int needed = 0;
        for (const QString &text : {m_grid.model()->footerText(column), columns.at(column).title}) {
            int units = 0;
            for (QChar c : text)
                units += c.unicode() < 0x80 ? 1 : 2;
            needed = std::max(needed, units * kSpreadsheetDigitPixels + kSpreadsheetCellPadding);
        }
        shape.columnWidths << std::max(m_grid.header()->sectionSize(column), needed);
    }
    shape.firstDataRow = firstData;
    shape.lastDataRow = dataRows > 0 ? firstData + dataRows - 1 : -1;
    writer.begin(shape);

    using Role = SheetWriter::Role;
    int row = 0;
    writer.text(row++, kTitleColumn, m_heading.title, Role::Heading);
    if (headingRows() == 3) {
        writer.text(row, 0, m_heading.beginDate, Role::Heading);
        writer.text(row++, kEndDateColumn, m_heading.endDate, Role::Heading);
    }
    writer.text(row, 0, QStringLiteral("制表人：") + m_heading.userName, Role::Heading);
    writer.text(row++, kEndDateColumn, QStringLiteral("制表时间：") + datetext::dateTime(m_heading.madeAt),
                Role::Heading);

    if (titleRows() == 2) {
        for (int i = 0; i < m_columns.size(); ++i) {
            const GridColumn &c = columns.at(m_columns.at(i));
            if (c.group.isEmpty()) {
                writer.text(row, i, c.title, Role::ColumnTitle);
                continue;
            }
            const bool continues = i > 0 && columns.at(m_columns.at(i - 1)).group == c.group;
            writer.groupTitle(row, i, c.group, continues);
        }
        ++row;
        for (int i = 0; i < m_columns.size(); ++i) {
            const GridColumn &c = columns.at(m_columns.at(i));
            writer.text(row, i, c.group.isEmpty() ? QString() : c.title, Role::ColumnTitle);
        }
        ++row;
    } else {
        for (int i = 0; i < m_columns.size(); ++i)
            writer.text(row, i, columns.at(m_columns.at(i)).title, Role::ColumnTitle);
        ++row;
    }

    for (int r = 0; r < dataRows; ++r) {
        writeDataRow(writer, row++, r);
        if (rowWritten)
            rowWritten(r + 1);
    }

    if (hasFooter()) {
        const Dataset &rows = m_grid.dataset();
        for (int i = 0; i < m_columns.size(); ++i) {
            const GridColumn &c = columns.at(m_columns.at(i));
            if (c.footer == GridColumn::Footer::Sum)
                writer.footerSum(row, i, rows.isOpen() && rows.hasColumn(c.field) ? rows.sum(c.field) : 0.0);
            else
                writer.text(row, i, c.footer == GridColumn::Footer::Text ? c.footerText : QString(), Role::Footer);
        }
    }
}

void GridSheet::writeDataRow(SheetWriter &writer, int sheetRow, int row) const
{
    const GridColumns &columns = m_grid.model()->columns();
    const Dataset &rows = m_grid.dataset();
    for (int i = 0; i < m_columns.size(); ++i) {
        const int field = rows.columnIndex(columns.at(m_columns.at(i)).field);
        const QVariant v = field < 0 ? QVariant() : rows.value(row, field);
        if (v.isNull()) {
            writer.empty(sheetRow, i);
        } else if (isWholeNumber(v) && std::abs(v.toLongLong()) <= kLargestInteger) {
            writer.integer(sheetRow, i, int(v.toLongLong()));
        } else if (isWholeNumber(v) || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
            const double d = v.toDouble();
            if (std::isfinite(d))
                writer.number(sheetRow, i, d);
            else
                writer.text(sheetRow, i, numbertext::general(d), SheetWriter::Role::Data);
        } else {
            writer.text(sheetRow, i, v.toString(), SheetWriter::Role::Data);
        }
    }
}
