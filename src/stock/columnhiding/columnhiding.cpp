#include "stock/columnhiding/columnhiding.h"

#include "common/messages.h"
#include "common/settings.h"
#include "widgets/grid.h"

#include <QAction>
#include <QMenu>

ColumnHiding::ColumnHiding(Grid &grid, QList<HideOption> options, Settings &settings, Messages &messages,
                           QObject *parent)
    : QObject(parent), m_grid(grid), m_options(std::move(options)), m_settings(settings), m_messages(messages)
{
    for (int i = 0; i < m_options.size(); ++i) {
        auto *action = new QAction(m_options.at(i).text, this);
        action->setObjectName(m_options.at(i).settingName);
        action->setCheckable(true);
        // Qt ticks or clears the item before telling: the new tick says which way to go.
        connect(action, &QAction::triggered, this, [this, i](bool ticked) { clicked(i, ticked); });
        m_actions << action;
    }
}

void ColumnHiding::addTo(QMenu *menu) const
{
    for (int i = 0; i < m_actions.size(); ++i) {
        if (m_options.at(i).startsGroup && i > 0)
            menu->addSeparator();
        menu->addAction(m_actions.at(i));
    }
}

QAction *ColumnHiding::action(const QString &settingName) const
{
    for (int i = 0; i < m_options.size(); ++i) {
        if (m_options.at(i).settingName == settingName)
            return m_actions.at(i);
    }
    return nullptr;
}

void ColumnHiding::setColumns(const HideOption &option, bool ticked)
{
    const bool hidden = option.tickShows ? !ticked : ticked;
    for (const QString &field : option.fields)
        m_grid.setFieldHidden(field, hidden);
}

void ColumnHiding::clicked(int option, bool ticked)
{
    const HideOption &o = m_options.at(option);
    setColumns(o, ticked);
    if (!m_settings.write(o.settingName, ticked ? QStringLiteral("yes") : QStringLiteral("no"))) {
        m_messages.warning(QStringLiteral("“%1”已在本次使用中生效，但无法保存到设置文件，下次启动时不会恢复：\n%2")
                               .arg(o.text, m_settings.fileName()));
    }
}

void ColumnHiding::applyStored()
{
    if (!m_settings.exists())
        return;
    for (int i = 0; i < m_options.size(); ++i) {
        const QString stored = m_settings.read(m_options.at(i).settingName);
        if (stored != QLatin1String("yes") && stored != QLatin1String("no"))
            continue;
        const bool ticked = stored == QLatin1String("yes");
        setColumns(m_options.at(i), ticked);
        m_actions.at(i)->setChecked(ticked);
    }
}

void ColumnHiding::showAll()
{
    QStringList kept;
    for (const HideOption &o : std::as_const(m_options)) {
        if (o.tickShows)
            kept += o.fields;
    }
    for (const QString &field : m_grid.model()->fields()) {
        if (!kept.contains(field, Qt::CaseInsensitive))
            m_grid.setFieldHidden(field, false);
    }
}
