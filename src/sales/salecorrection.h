#pragma once

#include <QString>

class Database;
class Dataset;

// One sale line as the line panel shows it, with the key that binds a correction to it. Numbers
// are in the general number text, dates "yyyy-mm-dd"; a missing value is "".
struct LoadedSaleLine {
    long long key = -1;
    QString name;          // a
    QString model;         // b
    QString code;          // c
    QString category;      // d
    QString saleDate;      // day1
    QString price;         // 2
    QString quantity;      // 3
    QString amount;        // 4
    QString owed;          // 6
    QString orderNumber;   // z
    QString customer;      // g
    QString address;       // h
    QString contact;       // i
    QString remark;        // j
    QString purchasePrice; // 1
    QString stockInDate;   // day2

    // The current row of a loaded result of `select * from data1 …`.
    static LoadedSaleLine fromCurrentRow(const Dataset &sales);
};

// What "修 改" may change in a sale line, as typed.
struct SaleLineChanges {
    QString owed;
    QString orderNumber;
    QString customer;
    QString address;
    QString contact;
    QString remark;
};

// Writes the owed amount (converted first: a text that is not a number raises a ConversionError
// naming "欠款金额：" and nothing is written) and the trimmed order number and customer fields
// into the sale line with `key`, through `sales` so its loaded copy of the line shows the new
// values. A line that is no longer stored raises a DbError.
void modifySaleLine(Dataset &sales, long long key, const SaleLineChanges &changes);

// The four figures of a stock row that a sale moves.
struct StockFigures {
    double sold = 0;        // 5, quantity sold
    double salesAmount = 0; // 6, sales amount
    double stock = 0;       // 7, stock quantity
    double stockValue = 0;  // 8, stock value
};

// The stock row's figures once a sale line of `quantity` and `amount`, bought at `purchasePrice`,
// is taken back: the quantity and amount leave the sold figures and the quantity returns to the
// stock at its purchase price. A return line (negative quantity and amount) undoes the return.
// Each figure is rounded to 15 significant digits, as the posting stores them, so amounts in fen
// stay exact (250 − 50.05 is 199.95, not 199.94999…).
StockFigures givenBack(const StockFigures &before, double quantity, double amount, double purchasePrice);

// What a deletion did to the stock.
struct SaleLineRemoval {
    long long stockKey = -1; // the stock row that got the line back; -1 when none matched
    StockFigures before;     // that row's figures before the give-back
    bool stockChanged() const { return stockKey >= 0; }
};

// Deletes the sale line with `key` and gives it back to the stock row it was sold from: the one
// whose name, model, code and category equal the line's (blanks around them ignored, a missing
// value equal to an empty one) and whose stock-in date is the line's, the first stored when
// several are. Both writes are one transaction: a database error, or a missing quantity, amount
// or purchase price of the line or sales amount or stock value of the stock row (ConversionError),
// leaves both rows as they were. A missing quantity sold or stock quantity counts as 0. With no
// matching stock row the line is deleted and no stock row is touched.
SaleLineRemoval deleteSaleLine(Database &db, long long key);
