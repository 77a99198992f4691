#pragma once

#include "common/pageddocument.h"
#include "stock/gridprint/gridpagelayout.h"
#include "stock/gridprint/gridsheet.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <memory>

class Grid;
class QPaintDevice;

// A grid print as a document laid out a part at a time: its rows are copied out of the grid and
// placed on pages as they are copied. Should the grid list afresh before every row is copied (a
// write elsewhere, a new listing), the copy and the layout begin again, so the pages always show
// one listing whole. Once copied, the pages no longer depend on the grid.
class GridDocument : public PagedDocument {
public:
    GridDocument(const Grid &grid, const QList<PrintText> &before, const QList<PrintText> &after,
                 QPaintDevice &printer);
    ~GridDocument() override;
    GridDocument(const GridDocument &) = delete;
    GridDocument &operator=(const GridDocument &) = delete;

    bool layOutMore(int milliseconds) override;
    bool isComplete() const override { return m_layout->isComplete(); }
    bool failed() const override { return m_failed; }
    // The last page begun is whole only once the layout is complete.
    int pageCount() const override { return int(m_layout->pages().size()) - (isComplete() ? 0 : 1); }
    qint64 stepsDone() const override { return m_layout->placedRows(); }
    qint64 stepsTotal() const override { return m_rows; }
    int generation() const override { return m_generation; }
    void paintPage(QPainter &painter, int page) const override;

private:
    // The grid's columns and looks, and how many rows it lists now; no row copied yet.
    void copyColumns();
    void watchGrid();
    void stopWatching();
    void listedAfresh();

    QPointer<const Grid> m_grid;
    QList<PrintText> m_before;
    QList<PrintText> m_after;
    QPaintDevice &m_printer;
    std::unique_ptr<GridSheet> m_sheet;
    std::unique_ptr<GridPageLayout> m_layout;
    QList<QMetaObject::Connection> m_watches;
    int m_rows = 0;           // rows of the listing being copied
    bool m_changed = false;   // the grid listed afresh since the copy began
    bool m_failed = false;
    int m_generation = 0;
};
