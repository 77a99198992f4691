#pragma once

#include "sales/salecorrection.h"
#include "widgets/floatingpanel.h"

#include <QList>

struct AppContext;
class NumberEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The floating panel over the sales details grid that shows one sale line for a correction:
// "修 改" writes its owed amount, order number and customer fields; "删 除" deletes it and gives
// it back to its stock row. Either acts on the line that was loaded into the panel, by its key,
// whatever row of the grid is current by then.
class SaleLinePanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr int kWidth = 505;
    static constexpr int kHeight = 273;

    enum class Mode { Hidden, Modify, Delete };

    SaleLinePanel(AppContext &ctx, QWidget *parent);

    // Shows the current line of SalesQuery with "修 改" or "删 除"; nothing when there is no
    // current line or the panel has been withdrawn.
    void openForModify();
    void openForDelete();
    // For a user other than the superadministrator: the panel never opens again in this run.
    void withdraw();

    Mode mode() const { return m_mode; }
    // The key of the line shown; -1 when hidden.
    long long loadedKey() const { return m_mode == Mode::Hidden ? -1 : m_line.key; }
    // A click on the grid's row with `key`: a click on another line closes the panel.
    void rowClicked(long long key);

    // "修 改" and "删 除".
    void modifyLine();
    void deleteLine();

    void setVisible(bool visible) override;

private:
    void open(Mode mode);
    void fill(const LoadedSaleLine &line);
    void empty();

    AppContext &m_ctx;
    Mode m_mode = Mode::Hidden;
    bool m_withdrawn = false;
    LoadedSaleLine m_line;

    QLineEdit *m_name;
    QLineEdit *m_model;
    QLineEdit *m_code;
    QLineEdit *m_category;
    QLineEdit *m_saleDate;
    QLineEdit *m_price;
    QLineEdit *m_quantity;
    QLineEdit *m_amount;
    NumberEdit *m_owed;
    QLineEdit *m_orderNumber;
    QLineEdit *m_customer;
    QLineEdit *m_address;
    QLineEdit *m_contact;
    QLineEdit *m_remark;
    QPushButton *m_delete;
    QPushButton *m_modify;
    QToolButton *m_close;
    QList<QLabel *> m_captions;
    QLabel *m_note;
};
