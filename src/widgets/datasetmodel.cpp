#include "widgets/datasetmodel.h"

#include "common/numbertext.h"
#include "data/dataset.h"
#include "widgets/groupedheader.h"

DatasetModel::DatasetModel(Dataset &dataset, GridColumns columns, QObject *parent)
    : QAbstractTableModel(parent), m_dataset(dataset), m_columns(std::move(columns))
{
    connect(&m_dataset, &Dataset::reset, this, &DatasetModel::reload);
    // A removed row shifts every row after it: simplest and cheap enough to show afresh.
    connect(&m_dataset, &Dataset::rowRemoved, this, &DatasetModel::reload);
    connect(&m_dataset, &Dataset::rowChanged, this, [this](int row) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        refreshFooter();
    });
    reload();
}

QStringList DatasetModel::fields() const
{
    QStringList names;
    for (const GridColumn &c : m_columns)
        names << c.field;
    return names;
}

QStringList DatasetModel::summedFields(const GridColumns &columns)
{
    QStringList names;
    for (const GridColumn &c : columns) {
        if (c.footer == GridColumn::Footer::Sum)
            names << c.field;
    }
    return names;
}

int DatasetModel::columnOfField(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void DatasetModel::reload()
{
    beginResetModel();
    m_datasetColumn.clear();
    for (const GridColumn &c : m_columns)
        m_datasetColumn.push_back(m_dataset.columnIndex(c.field));
    endResetModel();
    refreshFooter();
}

void DatasetModel::refreshFooter()
{
    QStringList summed;
    for (const QString &field : summedFields()) {
        if (m_dataset.hasColumn(field))
            summed << field;
    }
    const std::vector<double> sums = summed.isEmpty() ? std::vector<double>() : m_dataset.sums(summed);
    m_footer.clear();
    for (int i = 0; i < m_columns.size(); ++i) {
        const GridColumn &c = m_columns.at(i);
        switch (c.footer) {
        case GridColumn::Footer::None:
            m_footer << QString();
            break;
        case GridColumn::Footer::Text:
            m_footer << c.footerText;
            break;
        case GridColumn::Footer::Sum: {
            const qsizetype at = summed.indexOf(c.field);
            m_footer << numbertext::general(at < 0 ? 0.0 : sums[size_t(at)]);
            break;
        }
        }
    }
    emit footerChanged();
}

QString DatasetModel::displayText(int row, int column) const
{
    if (column < 0 || column >= m_columns.size() || m_datasetColumn[size_t(column)] < 0)
        return {};
    const QVariant v = m_dataset.value(row, m_datasetColumn[size_t(column)]);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    const GridColumn &c = m_columns.at(column);
    return c.format.isEmpty() ? numbertext::general(v.toDouble()) : numbertext::format(v.toDouble(), c.format);
}

QString DatasetModel::footerText(int column) const
{
    return m_footer.value(column);
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_dataset.recordCount();
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return int(m_columns.at(index.column()).alignment);
    case Qt::ForegroundRole:
        if (m_rowColour) {
            const QColor colour = m_rowColour(index.row());
            if (colour.isValid())
                return colour;
        }
        return {};
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns.at(section).title;
    case GroupedHeader::GroupRole:
        return m_columns.at(section).group;
    case Qt::InitialSortOrderRole:
        return int(Qt::DescendingOrder); // the first click on a title sorts descending
    default:
        return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
