#pragma once

#include "widgets/floatingpanel.h"

struct AppContext;
struct StockInTexts;
class DateEdit;
class EnterChain;
class NumberEdit;
class QCheckBox;
class OnDemandComboBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class StepButtons;

// The floating stock-in panel: enter a new stock row ("新建入库") or change the stock row that
// the grid's "修 改" loaded ("修改入库"); the grid's "删 除" is handled here too. Ten fields are
// shown; five working fields (purchase amount, sold quantity, sales amount, stock quantity, stock
// value) are carried hidden and kept up to date as the user types.
//
// A change is bound to the row "修 改" loaded, by its key: reloading or re-sorting the grid
// meanwhile does not move it to another row, and a click on another row, the close picture or a
// save forgets it ("修改入库" is disabled until "修 改" is used again).
class StockInPanel : public FloatingPanel {
    Q_OBJECT
public:
    StockInPanel(AppContext &ctx, QWidget *parent);

    DateEdit *dateField() const { return m_date; }
    // The five drop-down lists, refilled by the main grid's "全部记录".
    OnDemandComboBox *nameList() const { return m_name; }
    OnDemandComboBox *modelList() const { return m_model; }
    OnDemandComboBox *codeList() const { return m_code; }
    OnDemandComboBox *categoryList() const { return m_category; }
    OnDemandComboBox *supplierList() const { return m_supplier; }

    // The commands.
    void openForNew();
    void openForChange();
    void storeNew();
    void storeChange();
    void removeCurrent();
    void closePanel();
    // A click on a row of the main grid (the clicked row is current).
    void rowClicked(int row);

    // "修改入库" can be pressed again (starting a sale asks for this) as long as the panel still
    // holds a row loaded by "修 改"; disabling it forgets that row.
    void enableModify();
    void disableModify();
    // The key of the stock row a change will be written to; -1 when none is loaded.
    long long loadedKey() const { return m_loadedKey; }

signals:
    // The panel was opened for a new stock row ("新建入库") or for a change ("修 改").
    void openedForNew();
    void openedForChange();
    // "删 除" was chosen for the current row (asked before the confirmation).
    void removeRequested();

private:
    void buildFields();
    void buildLayout();
    void buildEnterChain();
    void connectComputations();
    // Empties prices, quantity, stock quantity and value and remark; sold quantity and sales
    // amount become "0". The description and the date stay.
    void clear();
    void emptyDescription();
    void placeOverGrid();
    void recomputeStock();
    bool requiredFilled(bool forChange);
    bool dateFilled();
    StockInTexts texts() const;

    void quantityChanged();
    void priceChanged();
    void salePriceChanged();

    AppContext &m_ctx;

    OnDemandComboBox *m_name;
    OnDemandComboBox *m_model;
    OnDemandComboBox *m_code;
    OnDemandComboBox *m_category;
    OnDemandComboBox *m_supplier;
    DateEdit *m_date;
    QLabel *m_priceLabel;
    NumberEdit *m_price;
    StepButtons *m_priceSteps;
    NumberEdit *m_quantity;
    StepButtons *m_quantitySteps;
    NumberEdit *m_salePrice;
    StepButtons *m_salePriceSteps;
    QLineEdit *m_remark;
    // Working fields.
    NumberEdit *m_amount;
    NumberEdit *m_sold;
    NumberEdit *m_salesAmount;
    NumberEdit *m_stockQuantity;
    NumberEdit *m_stockValue;

    QPushButton *m_newButton;
    QPushButton *m_modifyButton;
    QToolButton *m_closeButton;
    QCheckBox *m_hideCost;
    EnterChain *m_enterChain;

    long long m_loadedKey = -1;    // the row "修 改" loaded
    QString m_loadedSalePrice;     // its sale price as loaded, to tell whether it was changed
    int m_lastClickedRow = -1;
    bool m_placed = false;
};
