#pragma once

#include "sales/salesnotecontent.h"

#include <QObject>

struct AppContext;

// The order layout `Tform22`: the A4 sales note of one order, filled from the order's lines and
// the note's settings texts and shown in a print preview, from which the user prints it.
class SalesNoteLayout : public QObject {
    Q_OBJECT
public:
    SalesNoteLayout(AppContext &ctx, QObject *parent = nullptr);

    // Where the heading, contact line and slogans come from, by settings name ("dan1" … "dan4");
    // empty texts until one is given.
    void setTexts(salesnote::TextSource source) { m_texts = std::move(source); }

public slots:
    // The note of the order with exactly this number (blanks around it ignored), the number
    // printed as given. A number no line carries gives a note without lines and a total of 0.
    void previewOrder(const QString &orderNumber);
    // The note of the order picked in the sales details window: an empty number asks the user to
    // pick a line first.
    void previewPickedOrder(const QString &orderNumber);

private:
    AppContext &m_ctx;
    salesnote::TextSource m_texts;
};
