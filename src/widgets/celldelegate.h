#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Draws the cells of a grid: one line of text each, with the row's colour, selection and focus as
// the style draws them. A grid is drawn afresh after every keystroke in a condition field, and
// laying out text is most of what drawing a cell costs; the texts drawn lately are kept laid out,
// so a redraw lays out only the texts it has not drawn before (prices, quantities, dates and
// categories repeat from row to row and from listing to listing).
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const QStaticText &laidOut(const QString &text, const QFont &font) const;

    mutable QHash<QString, QStaticText> m_laidOut;
    mutable QFont m_font; // the font m_laidOut was laid out in
};
