#pragma once

#include <QColor>
#include <QList>
#include <QRectF>

class GridPageLayout;
class QPainter;
struct PrintText;

// Paints one page of a grid print as its layout placed it: "Page. n" over a double line, then
// what the page holds (the texts before the grid, the titles, its rows in their colours, the
// footer, the texts after the grid). The painter may be the printer's or one scaled from the
// printer's device units to a screen; texts are measured on the printer either way.
class GridPagePainter {
public:
    GridPagePainter(const GridPageLayout &layout, QPainter &painter);

    // Page `page` (from 0) of the layout's pages.
    void paint(int page);

private:
    void drawHeader(int number);
    void drawTexts(const QList<PrintText> &lines);
    void drawTitles();
    void drawRow(int row, double height);
    void drawFooter();
    void drawCell(const QRectF &cell, const QString &text, Qt::Alignment alignment, const QColor &background,
                  const QColor &foreground, bool wrap);

    const GridPageLayout &m_layout;
    QPainter &m_painter;
    double m_y = 0;
};
