#pragma once

#include <QComboBox>
#include <functional>

// An editable drop-down list whose entries are read only when somebody is about to use them:
// when the list is opened or the box takes the focus, and only if they were marked stale since
// they were last read. A list read from a large table then costs nothing while nobody looks
// at it. Reading the entries keeps the typed text and does not count as the user changing it.
class OnDemandComboBox : public QComboBox {
    Q_OBJECT
public:
    // Reads the entries into its argument; false when it could not (and has said so).
    using Reader = std::function<bool(QStringList &entries)>;

    explicit OnDemandComboBox(QWidget *parent = nullptr);

    void setReader(Reader reader) { m_reader = std::move(reader); }
    // The entries are read again when next needed.
    void markStale() { m_stale = true; }
    bool isStale() const { return m_stale; }
    // Reads the entries now if they are stale. A failed read is not retried until the entries are
    // marked stale again, so the box can be used with the entries it had.
    void refresh();
    // Puts an entry the list lacks at its place in the program's order (see collation), as a
    // re-read would, keeping the text. A stale list gets it with its next read anyway. An empty
    // entry marks the list stale instead: the list may hold one empty entry for a null and one for
    // an empty text, and which one a new empty value joins only a re-read can tell.
    void addEntry(const QString &entry);

    void showPopup() override;

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    Reader m_reader;
    bool m_stale = true;
};
