#pragma once

#include <QWidget>

class QTableView;
class DatasetModel;

// The footer row under a Grid's rows: one cell per visible column, lined up with the columns as
// they are moved, resized, hidden and scrolled.
class GridFooter : public QWidget {
    Q_OBJECT
public:
    GridFooter(QTableView &view, DatasetModel &model, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTableView &m_view;
    DatasetModel &m_model;
};
