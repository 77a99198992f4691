#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <initializer_list>

class QWidget;

// The Enter-key order of an entry panel: Enter in a field moves the focus to the next field of a
// fixed chain (Tab keeps the ordinary tab order). A link may name several candidates; the focus
// goes to the first one that can take it. A candidate that is hidden or disabled is passed over
// by following its own link, so a hidden field in the middle of the chain is skipped.
class EnterChain : public QObject {
    Q_OBJECT
public:
    explicit EnterChain(QObject *parent = nullptr);

    void link(QWidget *from, const QList<QWidget *> &to);
    void link(QWidget *from, QWidget *to) { link(from, QList<QWidget *>{to}); }
    // Each field passes the focus to the one after it.
    void chain(std::initializer_list<QWidget *> fields);
    // Where Enter in `from` sends the focus now; nullptr when no candidate can take it.
    QWidget *next(QWidget *from) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *reachable(QWidget *from, QList<QWidget *> &seen) const;

    QHash<QObject *, QWidget *> m_owner; // the watched object (a field or its inner line edit) -> field
    QHash<QWidget *, QList<QPointer<QWidget>>> m_links;
};
