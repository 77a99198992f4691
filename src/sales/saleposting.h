#pragma once

#include "common/errors.h"

#include <QString>

class Database;
class Dataset;

// The numbers one sale is computed from: p, q, s, k, m, c.
struct SaleNumbers {
    double price = 0;         // p, actual sale unit price
    double quantity = 0;      // q, negative for a return
    double stock = 0;         // s, stock quantity of the stock row
    double sold = 0;          // k, quantity sold so far
    double salesAmount = 0;   // m, sales amount so far
    double purchasePrice = 0; // c, purchase unit price
};

// What Compute produces, as the texts the panel keeps and the posting stores.
struct SaleFigures {
    QString amount;         // p × q, the sale amount
    QString newSalesAmount; // p × q + m, for `6`
    QString newStock;       // s − q with two decimals, for `7`
    QString newStockValue;  // (s − q) × c from the unrounded difference, for `8`
    QString newSold;        // k + q, for `5`
    QString profit;         // (p − c) × q with two decimals, for the sale line's `a5`
};

SaleFigures computeSale(const SaleNumbers &n);

// The unit price at a discount ("85" for 85%), rounded half up to the fen, so the price shown is
// the price charged: 33% of 19.99 is 6.60, and three of them are 19.80.
QString discountedPrice(double listPrice, double discount);

// The stock row a sale was started on, as it was loaded, with the key that binds the posting
// to it. Numbers are kept as text and converted where they are used.
struct LoadedStock {
    long long key = -1;
    QString name;          // a
    QString model;         // b
    QString code;          // c
    QString category;      // d
    QString listPrice;     // 4
    QString purchasePrice; // 1
    QString sold;          // 5
    QString salesAmount;   // 6
    QString stock;         // 7
    QString stockInDate;   // day1, yyyy-mm-dd

    // Reads row `row` of a loaded result of `select * from data …`.
    static LoadedStock fromRow(const Dataset &rows, int row);
    // Reads the stock row with `key` as the database holds it now; a row no longer stored raises
    // a DbError.
    static LoadedStock stored(Database &db, long long key);
    // The same row after a sale with these figures was posted against it.
    LoadedStock after(const SaleFigures &posted) const;
};

// What the user entered in the sale panel, as typed.
struct SaleEntry {
    QString price;
    QString quantity;
    QString owed;
    QString saleDate;
    QString orderNumber;
    QString customer;
    QString address;
    QString contact;
    QString remark;
};

// Converts the typed price and quantity and the loaded row's numbers; a text that is not a
// number raises a ConversionError naming the field.
SaleNumbers saleNumbers(const LoadedStock &stock, const QString &price, const QString &quantity);

// A sale refused because the stock row now holds less than the quantity: another program sold
// from it after it was loaded. Carries the row as it now is.
class StockShortage : public UserVisibleError {
public:
    explicit StockShortage(LoadedStock now) : UserVisibleError(QStringLiteral("库存不足")), m_now(std::move(now)) {}
    const LoadedStock &now() const { return m_now; }

private:
    LoadedStock m_now;
};

// Posts one sale line against the stock row with the loaded key: converts what was typed first
// (a ConversionError leaves the database untouched), then, in one transaction, reads the row as
// the database holds it now — another program may have sold from it since it was loaded —,
// computes from those figures the new quantity sold, sales amount, stock quantity and stock
// value, writes them and appends the sale line to `data1`. Either both land or neither does. A
// quantity above the stock the row now holds raises StockShortage and writes nothing. Returns the
// figures that were stored; `now`, when given, receives the row as it is after the sale.
SaleFigures postSale(Database &db, const LoadedStock &stock, const SaleEntry &entry, LoadedStock *now = nullptr);
