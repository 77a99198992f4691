#include "widgets/celldelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

namespace {

// Texts kept laid out: a few screenfuls of distinct cells, far more than a redraw needs.
constexpr qsizetype kKeptTexts = 4096;

} // namespace

const QStaticText &CellDelegate::laidOut(const QString &text, const QFont &font) const
{
    if (font != m_font || m_laidOut.size() >= kKeptTexts) {
        m_laidOut.clear();
        m_font = font;
    }
    auto it = m_laidOut.find(text);
    if (it == m_laidOut.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        it = m_laidOut.insert(text, laid);
    }
    return *it;
}

void CellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    // What the style's own drawing of an item takes from the model, for a cell of text only.
    const QVariant colour = index.data(Qt::ForegroundRole);
    if (colour.canConvert<QColor>() && colour.value<QColor>().isValid())
        opt.palette.setColor(QPalette::Text, colour.value<QColor>());
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    if (alignment.isValid())
        opt.displayAlignment = Qt::Alignment(alignment.toInt());
    opt.index = index;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    painter->save();
    painter->setClipRect(opt.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active)  ? QPalette::Normal
                                                                                 : QPalette::Inactive;
        painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                       : QPalette::Text));
        painter->setFont(opt.font);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect area = opt.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText &laid = laidOut(text, opt.font);
        const QSize size = laid.size().toSize();
        if (size.width() <= area.width()) {
            const QRect at = QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                                 QSize(size.width(), opt.fontMetrics.height()), area);
            painter->drawStaticText(at.topLeft(), laid);
        } else {
            // Too wide for its column: cut with an ellipsis, as the style does.
            painter->drawText(area, int(opt.displayAlignment),
                              opt.fontMetrics.elidedText(text, opt.textElideMode, area.width()));
        }
    }

    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &opt, widget);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        focus.backgroundColor =
            opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}
