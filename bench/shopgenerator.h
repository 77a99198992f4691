#pragma once

#include <QString>

// A realistic shop database for measurements: stock rows with Chinese names made of GB2312
// characters and their pinyin initials, categories, suppliers and stock-in dates over three
// years, and sale lines taken from those rows.
struct ShopSize {
    int stockRows = 100000;
    int saleLines = 1000000;
    // Customers named on sale lines, each with a contact and an address; half the lines name one.
    int customers = 3000;
    // The share of sale lines with an amount still owed; nearly all of them name their customer.
    double owedShare = 0.05;
};

// Creates `fileName` (which must not exist) filled with generated rows; the same seed gives
// the same shop.
void generateShop(const QString &fileName, const ShopSize &size, unsigned seed = 20140729);

// A generated shop of `size` in the system's temporary folder, made on first use and kept for
// later runs.
QString cachedShop(const ShopSize &size);
