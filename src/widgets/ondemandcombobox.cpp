#include "widgets/ondemandcombobox.h"

#include "data/collation.h"

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

void OnDemandComboBox::addEntry(const QString &entry)
{
    if (m_stale)
        return;
    if (entry.isEmpty()) {
        markStale();
        return;
    }
    // The entries are in order: the first one that does not come before the new one is its place.
    int low = 0, high = count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (collation::compare(itemText(middle), entry) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (low < count() && itemText(low) == entry)
        return;
    const QString typed = currentText();
    const int current = currentIndex();
    const QSignalBlocker quiet(this);
    insertItem(low, entry);
    setCurrentIndex(current < 0 ? -1 : current + (current >= low ? 1 : 0));
    setEditText(typed);
}
