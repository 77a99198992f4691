#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class QTableView;
class DatasetModel;

// How a footer text is drawn in a cell `width` pixels wide: in `font` when it fits, else in a
// smaller size that fits it whole, down to two thirds of the size; a text that does not fit even
// then is cut at its end with an ellipsis. A total is never shown with its leading digits cut off,
// which would read as a smaller number.
struct FittedText {
    QFont font;
    QString text;
};
// `device` is where it is drawn (a printer measures otherwise than the screen); the screen when null.
FittedText fitFooterText(const QFont &font, const QString &text, double width, const QPaintDevice *device = nullptr);

// The footer row under a Grid's rows: one cell per visible column, lined up with the columns as
// they are moved, resized, hidden and scrolled.
class GridFooter : public QWidget {
    Q_OBJECT
public:
    GridFooter(QTableView &view, DatasetModel &model, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // A cut total shows whole in a tip.
    bool event(QEvent *event) override;

private:
    // The visible columns' cells in this widget's coordinates, with their logical index.
    std::vector<std::pair<int, QRect>> cells() const;
    QTableView &m_view;
    DatasetModel &m_model;
};
