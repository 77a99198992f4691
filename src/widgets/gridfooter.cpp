#include "widgets/gridfooter.h"

#include "widgets/datasetmodel.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

GridFooter::GridFooter(QTableView &view, DatasetModel &model, QWidget *parent)
    : QWidget(parent), m_view(view), m_model(model)
{
    setObjectName(QStringLiteral("gridFooter"));
    setAutoFillBackground(true);
    QHeaderView *header = view.horizontalHeader();
    auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
    connect(header, &QHeaderView::sectionCountChanged, this, repaint);
    connect(view.horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    connect(&model, &DatasetModel::footerChanged, this, repaint);
}

QSize GridFooter::sizeHint() const
{
    return {100, fontMetrics().height() + 8};
}

void GridFooter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QHeaderView *header = m_view.horizontalHeader();
    // Where the view's cells start, in this widget's coordinates.
    const int origin = m_view.viewport()->mapTo(parentWidget(), QPoint(0, 0)).x() - x();
    const QRect area(origin, 0, m_view.viewport()->width(), height());
    painter.setClipRect(area);
    painter.setPen(palette().color(QPalette::Mid));
    for (int logical = 0; logical < header->count(); ++logical) {
        if (header->isSectionHidden(logical))
            continue;
        const QRect cell(origin + header->sectionViewportPosition(logical), 0, header->sectionSize(logical), height());
        if (!cell.intersects(area))
            continue;
        painter.drawLine(cell.topRight(), cell.bottomRight());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(cell.adjusted(3, 0, -4, 0), int(m_model.columns().at(logical).footerAlignment),
                         m_model.footerText(logical));
        painter.setPen(palette().color(QPalette::Mid));
    }
    painter.setClipping(false);
    painter.drawLine(rect().topLeft(), rect().topRight());
}
