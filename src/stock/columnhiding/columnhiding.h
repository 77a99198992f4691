#pragma once

#include "stock/columnhiding/hideoptions.h"

#include <QList>
#include <QObject>

class Grid;
class Messages;
class QAction;
class QMenu;
class Settings;

// The column hiding of one grid: a tickable item per option that hides (or shows) its columns and
// stores its tick at once as "yes" or "no", the replay of the stored values at start-up, and
// "全部显示". A column's visibility lives in the grid; the ticks follow the clicks, so they can
// disagree with the columns when options share a column or after "全部显示".
class ColumnHiding : public QObject {
    Q_OBJECT
public:
    ColumnHiding(Grid &grid, QList<HideOption> options, Settings &settings, Messages &messages,
                 QObject *parent = nullptr);

    // Adds the items to `menu` in order, with a separator where a group starts.
    void addTo(QMenu *menu) const;
    const QList<QAction *> &actions() const { return m_actions; }
    // The item of a stored value, e.g. "rukuyin2"; null when there is none.
    QAction *action(const QString &settingName) const;

    // Sets the columns and ticks of every option whose stored value is "yes" or "no", in order;
    // with no settings file, or another value, an option changes nothing.
    void applyStored();
    // Shows every column but those an option shows when ticked; no tick and no stored value change.
    void showAll();

private:
    void clicked(int option, bool ticked);
    void setColumns(const HideOption &option, bool ticked);

    Grid &m_grid;
    QList<HideOption> m_options;
    Settings &m_settings;
    Messages &m_messages;
    QList<QAction *> m_actions;
};
