#include "widgets/ondemandcombobox.h"

#include <QSignalBlocker>

OnDemandComboBox::OnDemandComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void OnDemandComboBox::refresh()
{
    if (!m_stale || !m_reader)
        return;
    m_stale = false;
    QStringList entries;
    if (!m_reader(entries))
        return;
    const QString typed = currentText();
    const QSignalBlocker quiet(this);
    clear();
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(typed);
}

void OnDemandComboBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

void OnDemandComboBox::focusInEvent(QFocusEvent *event)
{
    refresh();
    QComboBox::focusInEvent(event);
}
