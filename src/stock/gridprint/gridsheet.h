#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringView>
#include <Qt>
#include <vector>

class DatasetModel;
class Grid;

// What a grid prints, copied out of it: the visible columns in their order with their titles,
// widths and footer texts, the colours and cell font of the grid, and for each row copied the
// texts of those columns and the row's colour. Pages laid out over the copy stay true to each other
// while the grid itself lists afresh. The texts of all rows are kept in one block.
class GridSheet {
public:
    struct Column {
        int model = 0; // the grid model's column
        QString title;
        QString group; // the upper title, empty when the column has none
        QString footer;
        double width = 0; // on the screen, in pixels
        Qt::Alignment alignment;
        Qt::Alignment footerAlignment;
    };

    // The columns and looks of `grid`, without rows.
    explicit GridSheet(const Grid &grid);

    const QList<Column> &columns() const { return m_columns; }
    bool hasFooter() const { return m_hasFooter; }
    // 2 when a printed column has an upper title, else 1.
    int titleLevels() const { return m_titleLevels; }
    // The grid's cell font size on the screen, and the screen's dots per inch.
    int cellPixelSize() const { return m_cellPixelSize; }
    int screenDpi() const { return m_screenDpi; }
    QColor titleBackground() const { return m_titleBackground; }
    QColor footerBackground() const { return m_footerBackground; }
    // Invalid when the grid does not colour alternate rows.
    QColor alternateBackground() const { return m_alternateBackground; }

    // Copies row `row` of `model` after the rows copied so far.
    void appendRow(const DatasetModel &model, int row);
    int rowCount() const { return int(m_foreground.size()); }
    QStringView cell(int row, int column) const;
    // The colour of the row's text; invalid for the usual black.
    QColor foreground(int row) const;

private:
    QList<Column> m_columns;
    bool m_hasFooter = false;
    int m_titleLevels = 1;
    int m_cellPixelSize = 12;
    int m_screenDpi = 96;
    QColor m_titleBackground;
    QColor m_footerBackground;
    QColor m_alternateBackground;

    QString m_texts;               // every cell of every copied row, one after the other
    std::vector<qsizetype> m_ends; // per cell: where its text ends in m_texts
    std::vector<QRgb> m_foreground; // per row; 0 (transparent) when it has no colour of its own
};
