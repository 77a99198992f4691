#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <initializer_list>

class QWidget;

// Enter (or Return) in an entry field moves the focus to the next field of a fixed chain, as the
// entry panels do. The last field of the chain keeps the key for itself.
class EnterChain : public QObject {
    Q_OBJECT
public:
    explicit EnterChain(QObject *parent = nullptr);

    // Each field passes the focus to the one after it.
    void chain(std::initializer_list<QWidget *> fields);
    // Enter in `from` moves the focus to `to`.
    void link(QWidget *from, QWidget *to);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHash<QObject *, QPointer<QWidget>> m_next;
};
