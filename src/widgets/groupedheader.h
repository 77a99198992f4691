#pragma once

#include <QHeaderView>

// A horizontal header of two title rows: the group title on top, spanning the neighbouring
// visible columns of the same group, and the column title with its sort mark below. Columns
// without a group show their title over both rows. Groups come from `GroupRole` of the model's
// header data.
class GroupedHeader : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int GroupRole = Qt::UserRole + 1;

    explicit GroupedHeader(QWidget *parent = nullptr);

    QString groupOf(int logical) const;
    // The viewport rectangle of the group title above `logical` (empty when it has no group).
    QRect groupRect(int logical) const;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logical) const override;
    QSize sectionSizeFromContents(int logical) const override;

private:
    void paintCell(QPainter *painter, const QRect &rect, int logical, const QString &text, bool withSortMark) const;
};
