#pragma once

#include "stock/gridprint/gridprint.h"
#include "stock/gridprint/gridsheet.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <vector>

class QPaintDevice;

namespace gridprint {
// A text that can go on over several lines in its cell.
bool canWrap(QStringView text);
} // namespace gridprint

// Where the pages of a grid print break, measured on the printer: the texts before the grid and
// the title rows on the first page, the title rows again at the top of every page that goes on
// with rows, the rows stretched to their text, the footer row and the texts after the grid. The
// rows are placed one at a time as they are copied into the sheet, so the first pages are known
// long before the last.
class GridPageLayout {
public:
    // What one page holds.
    struct Page {
        int firstRow = 0;
        int endRow = 0; // the rows [firstRow, endRow)
        bool before = false; // the texts before the grid
        bool titles = false;
        bool footer = false;
        bool after = false; // the texts after the grid
    };

    GridPageLayout(const GridSheet &sheet, QList<PrintText> before, QList<PrintText> after, QPaintDevice &printer);

    // Places the sheet's rows not placed yet; with `lastRows`, the sheet is whole and the footer and
    // the texts after the grid are placed too.
    void placeRows(bool lastRows);
    bool isComplete() const { return m_complete; }
    int placedRows() const { return m_placedRows; }
    const std::vector<Page> &pages() const { return m_pages; }

    // The measures the painter draws with.
    QPaintDevice &printer() const { return m_printer; }
    const GridSheet &sheet() const { return m_sheet; }
    const QList<PrintText> &before() const { return m_before; }
    const QList<PrintText> &after() const { return m_after; }
    QRectF area() const { return m_area; }
    double scale() const { return m_scale; }
    double padding() const { return m_padding; }
    double lineHeight() const { return m_lineHeight; }
    const QFont &cellFont() const { return m_cellFont; }
    // Left edge and width of each column of the sheet.
    double columnX(int column) const { return m_columnX[size_t(column)]; }
    double columnWidth(int column) const { return m_columnWidth[size_t(column)]; }
    double points(double pt) const;
    QFont textFont(const PrintText &line) const;
    QFont headerFont() const;
    // Where the first thing under the page number and its double line goes.
    double contentTop() const;
    double textsHeight(const QList<PrintText> &lines) const;
    double titlesHeight() const { return m_lineHeight * m_sheet.titleLevels(); }
    // The row as tall as its tallest text wrapped in its cell.
    double rowHeight(int row) const;

private:
    // The first page, with the texts before the grid and the titles, and no row placed.
    void start();
    void newPage(bool withTitles);

    const GridSheet &m_sheet;
    QList<PrintText> m_before;
    QList<PrintText> m_after;
    QPaintDevice &m_printer;
    QRectF m_area; // the paper inside its margins, in device pixels
    double m_scale = 1; // device pixels per screen pixel of the grid
    double m_padding = 0;
    double m_lineHeight = 0;
    QFont m_cellFont;
    std::vector<double> m_columnX;
    std::vector<double> m_columnWidth;

    std::vector<Page> m_pages;
    double m_y = 0; // where the next thing goes on the last page
    int m_placedRows = 0;
    bool m_complete = false;
};
