#include "widgets/groupedheader.h"

#include <QPainter>

GroupedHeader::GroupedHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
    // An upper title spans its group's sections: when one of them is hidden, shown, resized or
    // moved, the header repaints whole, or a title is left where its group no longer is.
    const auto repaintAll = [this] { viewport()->update(); };
    connect(this, &QHeaderView::sectionResized, this, repaintAll);
    connect(this, &QHeaderView::sectionMoved, this, repaintAll);
    connect(this, &QHeaderView::geometriesChanged, this, repaintAll);
}

QString GroupedHeader::groupOf(int logical) const
{
    return model() ? model()->headerData(logical, orientation(), GroupRole).toString() : QString();
}

QRect GroupedHeader::groupRect(int logical) const
{
    const QString group = groupOf(logical);
    if (group.isEmpty())
        return {};
    // Widen over the visible neighbours, in screen order, that belong to the same group.
    int first = visualIndex(logical), last = first;
    auto sameGroup = [&](int visual) {
        const int l = logicalIndex(visual);
        return l >= 0 && (isSectionHidden(l) || groupOf(l) == group);
    };
    while (first > 0 && sameGroup(first - 1))
        --first;
    while (last + 1 < count() && sameGroup(last + 1))
        ++last;
    while (isSectionHidden(logicalIndex(first)))
        ++first;
    while (isSectionHidden(logicalIndex(last)))
        --last;
    const int left = sectionViewportPosition(logicalIndex(first));
    const int right = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));
    return QRect(left, 0, right - left, height() / 2);
}

void GroupedHeader::paintCell(QPainter *painter, const QRect &rect, int logical, const QString &text,
                              bool withSortMark) const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logical;
    opt.text = text;
    opt.textAlignment = Qt::AlignCenter;
    opt.position = QStyleOptionHeader::Middle;
    opt.sortIndicator = QStyleOptionHeader::None;
    if (withSortMark && isSortIndicatorShown() && sortIndicatorSection() == logical)
        // ▼ over rows going down from the largest, ▲ over rows going up from the smallest.
        opt.sortIndicator = sortIndicatorOrder() == Qt::DescendingOrder ? QStyleOptionHeader::SortDown
                                                                        : QStyleOptionHeader::SortUp;
    painter->save();
    painter->setClipRect(rect);
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    painter->restore();
}

void GroupedHeader::paintSection(QPainter *painter, const QRect &rect, int logical) const
{
    const QString title = model() ? model()->headerData(logical, orientation(), Qt::DisplayRole).toString() : QString();
    const QRect group = groupRect(logical);
    if (group.isEmpty()) {
        paintCell(painter, rect, logical, title, true);
        return;
    }
    const int half = rect.height() / 2;
    paintCell(painter, QRect(group.left(), rect.top(), group.width(), half), logical, groupOf(logical), false);
    paintCell(painter, QRect(rect.left(), rect.top() + half, rect.width(), rect.height() - half), logical, title, true);
}

QSize GroupedHeader::sectionSizeFromContents(int logical) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logical);
    const int line = fontMetrics().height() + 8;
    size.setHeight(std::max(size.height(), 2 * line));
    return size;
}
