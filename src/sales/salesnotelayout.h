#pragma once

#include <QObject>

struct AppContext;

// The A4 sales note of an order, painted on printer pages.
class SalesNoteLayout : public QObject {
    Q_OBJECT
public:
    SalesNoteLayout(AppContext &ctx, QObject *parent = nullptr);

private:
    AppContext &m_ctx;
};
