#pragma once

#include "widgets/floatingpanel.h"

struct AppContext;
class DateEdit;

// The floating stock-in panel: enter a new stock row or change the loaded one.
class StockInPanel : public FloatingPanel {
    Q_OBJECT
public:
    StockInPanel(AppContext &ctx, QWidget *parent);
    DateEdit *dateField() const { return m_date; }

private:
    AppContext &m_ctx;
    DateEdit *m_date;
};
