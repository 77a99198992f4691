#include "widgets/gridfooter.h"

#include <QFontMetricsF>
#include <algorithm>

#include "widgets/datasetmodel.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QToolTip>

#include <algorithm>

namespace {

// The space a text has within its cell.
QRect textArea(const QRect &cell)
{
    return cell.adjusted(3, 0, -4, 0);
}

} // namespace

FittedText fitFooterText(const QFont &font, const QString &text, double width, const QPaintDevice *device)
{
    auto advance = [device](const QFont &f, const QString &t) {
        return device ? QFontMetricsF(f, device).horizontalAdvance(t) : QFontMetricsF(f).horizontalAdvance(t);
    };
    FittedText fitted{font, text};
    if (advance(font, text) <= width)
        return fitted;
    // A font is sized in points or in pixels; the smaller sizes are tried in the font's own unit.
    const bool inPixels = font.pointSizeF() <= 0;
    const qreal full = inPixels ? qreal(font.pixelSize()) : font.pointSizeF();
    const qreal step = inPixels ? std::max<qreal>(1, full / 24) : 0.5;
    for (qreal size = full - step; size >= full * 2 / 3 && size > 0; size -= step) {
        if (inPixels)
            fitted.font.setPixelSize(int(size));
        else
            fitted.font.setPointSizeF(size);
        if (advance(fitted.font, text) <= width)
            return fitted;
    }
    fitted.text = device ? QFontMetricsF(fitted.font, device).elidedText(text, Qt::ElideRight, width)
                         : QFontMetricsF(fitted.font).elidedText(text, Qt::ElideRight, width);
    return fitted;
}

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

std::vector<std::pair<int, QRect>> GridFooter::cells() const
{
    const QHeaderView *header = m_view.horizontalHeader();
    // Where the view's cells start, in this widget's coordinates.
    const int origin = m_view.viewport()->mapTo(parentWidget(), QPoint(0, 0)).x() - x();
    const QRect area(origin, 0, m_view.viewport()->width(), height());
    std::vector<std::pair<int, QRect>> shown;
    for (int logical = 0; logical < header->count(); ++logical) {
        if (header->isSectionHidden(logical))
            continue;
        const QRect cell(origin + header->sectionViewportPosition(logical), 0, header->sectionSize(logical), height());
        if (cell.intersects(area))
            shown.emplace_back(logical, cell);
    }
    return shown;
}

void GridFooter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int origin = m_view.viewport()->mapTo(parentWidget(), QPoint(0, 0)).x() - x();
    painter.setClipRect(QRect(origin, 0, m_view.viewport()->width(), height()));
    for (const auto &[logical, cell] : cells()) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(cell.topRight(), cell.bottomRight());
        const FittedText fitted = fitFooterText(font(), m_model.footerText(logical), textArea(cell).width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(fitted.font);
        painter.drawText(textArea(cell), int(m_model.columns().at(logical).footerAlignment), fitted.text);
    }
    painter.setClipping(false);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(rect().topLeft(), rect().topRight());
}

bool GridFooter::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    for (const auto &[logical, cell] : cells()) {
        const QString text = m_model.footerText(logical);
        if (cell.contains(help->pos()) && fitFooterText(font(), text, textArea(cell).width()).text != text) {
            QToolTip::showText(help->globalPos(), text, this, cell);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}
