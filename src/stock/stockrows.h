#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <utility>

class Database;

// What the stock-in panel hands over when it stores a stock row: the texts of its fields.
struct StockInTexts {
    QString name, model, code, category, supplier, remark; // a b c d g z
    QString price, quantity, salePrice;                     // 1 2 4
    QString date;                                           // day1, yyyy-mm-dd
};

// The same, converted: texts trimmed, numbers parsed, the date checked.
struct StockInValues {
    QString name, model, code, category, supplier, remark;
    double price = 0, quantity = 0, salePrice = 0;
    QString date;
};

// Column values of a stock row in the order they are written.
using StockColumns = QList<std::pair<QString, QVariant>>;

// Writing stock rows (table `data`) from the stock-in panel.
namespace stockrows {

// A computed number as a field holds it: its general number text read back, i.e. rounded to 15
// significant digits (0.1 * 3 gives exactly 0.3).
double asField(double value);

// Converts every text; raises ConversionError naming the first bad number or date.
StockInValues convert(const StockInTexts &texts);

// A new stock row: nothing sold yet, all of the quantity in stock.
StockColumns newRow(const StockInValues &v);
// A changed stock row, given what the row holds now: its sold quantity is kept, its sales amount
// too unless the sale price was changed (then sale price * sold quantity), stock quantity and
// value follow from purchase quantity minus sold quantity.
StockColumns modifiedRow(const StockInValues &v, double sold, double salesAmount, bool salePriceChanged);

// Appends a new stock row; returns its key.
long long insert(Database &db, const StockInValues &v);
// Writes a change into the stock row with `key`, reading the row's sold quantity and sales
// amount in the same transaction, so a sale posted meanwhile is not undone. Returns false, having
// written nothing, when that row no longer exists.
bool modify(Database &db, long long key, const StockInValues &v, bool salePriceChanged);

} // namespace stockrows
