#pragma once

#include "stock/gridprint/gridprint.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <functional>

class Grid;
class QPainter;
class QPrinter;

// Lays a grid out on printer pages and paints them: the texts before the grid, the title rows
// (again at the top of every page), one row per loaded row and the footer row, then the texts after
// it. Everything is measured on the printer itself, so the layout follows its paper and margins.
class GridPagePainter {
public:
    GridPagePainter(const Grid &grid, QList<PrintText> before, QList<PrintText> after);

    // Told after each row how many of how many rows are laid out; false stops the painting.
    using Progress = std::function<bool(int done, int total)>;

    // Paints every page; returns how many there were (0 when the printer could not be painted on).
    // Stopped by `progress`, it ends there, abandoning the printer's job where the engine allows
    // it, and returns the pages begun so far.
    int paint(QPrinter &printer, const Progress &progress = {});
    bool stopped() const { return m_stopped; }

private:
    struct Column {
        int model = 0;
        double x = 0;
        double width = 0;
        Qt::Alignment alignment;
    };

    double points(double pt) const;
    QFont textFont(const PrintText &line) const;
    void startPage(bool withTitles);
    void newPage(bool withTitles);
    void drawTexts(const QList<PrintText> &lines);
    double textsHeight(const QList<PrintText> &lines) const;
    void drawTitles();
    double rowHeight(int row) const;
    void drawRow(int row, double height);
    void drawFooter();
    void drawCell(const QRectF &cell, const QString &text, Qt::Alignment alignment, const QColor &background,
                  const QColor &foreground, bool wrap);
    bool hasFooter() const;
    int titleLevels() const;

    const Grid &m_grid;
    QList<PrintText> m_before;
    QList<PrintText> m_after;

    QPrinter *m_printer = nullptr;
    QPainter *m_painter = nullptr;
    QRectF m_area;       // the paper inside its margins, in device pixels
    double m_scale = 1;  // device pixels per screen pixel of the grid
    double m_padding = 0;
    double m_lineHeight = 0;
    QFont m_cellFont;
    QList<Column> m_columns;
    QColor m_titleBackground;
    QColor m_footerBackground;
    QColor m_alternateBackground; // invalid when rows are not alternately coloured
    double m_y = 0;
    int m_pages = 0;
    bool m_stopped = false;
};
