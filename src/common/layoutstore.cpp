#include "common/layoutstore.h"

#include "common/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QTableView>
#include <algorithm>

namespace {
QString columnKey(const QString &field)
{
    return QString::fromLatin1(LayoutStore::kGridName) + QLatin1Char('.') + field;
}
const QString kDefaultKey = QStringLiteral("(Default)");
} // namespace

LayoutStore::LayoutStore(QString folder) : m_folder(std::move(folder)) {}

QString LayoutStore::fileName() const
{
    return QDir(m_folder).filePath(QStringLiteral("qovel.ini"));
}

bool LayoutStore::save(const QString &section, const GridLayout &layout)
{
    if (!QDir().mkpath(m_folder))
        return false;
    QSettings store(fileName(), QSettings::IniFormat);
    store.beginGroup(section);
    for (auto it = layout.columns.cbegin(); it != layout.columns.cend(); ++it) {
        const GridLayout::Column &c = it.value();
        // position, width, visible, sort mark, and three reserved zeros: seven integers.
        store.setValue(columnKey(it.key()), QStringLiteral("%1,%2,%3,%4,0,0,0")
                                                .arg(c.position)
                                                .arg(c.width)
                                                .arg(c.visible ? 1 : 0)
                                                .arg(c.sortMark));
    }
    store.setValue(kDefaultKey, QStringLiteral("%1,%2").arg(layout.rowHeight).arg(layout.rowLines));
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

bool storeLayout(LayoutStore &layouts, Messages &messages, const QString &section, const GridLayout &layout)
{
    if (layouts.save(section, layout))
        return true;
    messages.error(QStringLiteral("无法写入列宽文件 %1（列宽没有保存）").arg(layouts.fileName()));
    return false;
}

GridLayout LayoutStore::load(const QString &section) const
{
    GridLayout layout;
    if (!QFileInfo::exists(fileName()))
        return layout;
    QSettings store(fileName(), QSettings::IniFormat);
    store.beginGroup(section);
    const QString prefix = columnKey(QString());
    for (const QString &key : store.childKeys()) {
        const QStringList parts = store.value(key).toString().split(QLatin1Char(','));
        if (key == kDefaultKey) {
            layout.rowHeight = parts.value(0).toInt();
            layout.rowLines = std::max(1, parts.value(1).toInt());
        } else if (key.startsWith(prefix) && parts.size() >= 4) {
            GridLayout::Column c;
            c.position = parts.at(0).toInt();
            c.width = parts.at(1).toInt();
            c.visible = parts.at(2).toInt() != 0;
            c.sortMark = parts.at(3).toInt();
            layout.columns.insert(key.mid(prefix.size()), c);
        }
    }
    return layout;
}

GridLayout LayoutStore::capture(const QTableView &view, const QStringList &fields)
{
    GridLayout layout;
    const QHeaderView *header = view.horizontalHeader();
    for (int i = 0; i < fields.size(); ++i) {
        GridLayout::Column c;
        c.position = header->visualIndex(i);
        c.width = header->isSectionHidden(i) ? header->defaultSectionSize() : header->sectionSize(i);
        c.visible = !header->isSectionHidden(i);
        if (header->isSortIndicatorShown() && header->sortIndicatorSection() == i)
            c.sortMark = header->sortIndicatorOrder() == Qt::AscendingOrder ? 1 : 2;
        layout.columns.insert(fields.at(i), c);
    }
    layout.rowHeight = view.verticalHeader()->defaultSectionSize();
    layout.rowLines = 1;
    return layout;
}

void LayoutStore::apply(QTableView &view, const QStringList &fields, const GridLayout &layout)
{
    if (layout.isEmpty())
        return;
    QHeaderView *header = view.horizontalHeader();
    // Place columns from the leftmost stored position on, so earlier moves are not undone.
    QList<QPair<int, int>> order; // position, logical index
    for (int i = 0; i < fields.size(); ++i) {
        const auto it = layout.columns.constFind(fields.at(i));
        if (it == layout.columns.cend())
            continue;
        order.append({it->position, i});
        if (it->width > 0)
            header->resizeSection(i, it->width);
        header->setSectionHidden(i, !it->visible);
        if (it->sortMark != 0) {
            header->setSortIndicatorShown(true);
            header->setSortIndicator(i, it->sortMark == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
        }
    }
    std::sort(order.begin(), order.end());
    for (const auto &[position, logical] : order) {
        const int target = std::clamp(position, 0, header->count() - 1);
        header->moveSection(header->visualIndex(logical), target);
    }
    if (layout.rowHeight > 0)
        view.verticalHeader()->setDefaultSectionSize(layout.rowHeight);
}
