#pragma once

#include "widgets/gridcolumn.h"

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <vector>

class Dataset;

// The rows of a Dataset as a read-only table of fixed columns. Each column shows one field in its
// display format; the footer texts (fixed texts and sums over the loaded rows) are kept up to date
// with the dataset. A field the loaded result lacks shows empty cells.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Colour of a row's text; an invalid colour draws the row normally.
    using RowColour = std::function<QColor(int row)>;

    DatasetModel(Dataset &dataset, GridColumns columns, QObject *parent = nullptr);

    Dataset &dataset() const { return m_dataset; }
    const GridColumns &columns() const { return m_columns; }
    QStringList fields() const;
    // The fields whose sums the footer shows.
    QStringList summedFields() const { return summedFields(m_columns); }
    static QStringList summedFields(const GridColumns &columns);
    // The model column of a field (names compare without case), -1 when no column shows it.
    int columnOfField(const QString &field) const;

    void setRowColour(RowColour colour) { m_rowColour = std::move(colour); }

    // What a cell and a footer cell show.
    QString displayText(int row, int column) const;
    QString footerText(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void footerChanged();

private:
    void reload();
    void refreshFooter();

    Dataset &m_dataset;
    GridColumns m_columns;
    std::vector<int> m_datasetColumn; // per model column: the dataset column, or -1
    QStringList m_footer;
    RowColour m_rowColour;
};
