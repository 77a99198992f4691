#pragma once

#include <QDate>
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

// The folder in the system's temporary folder where generated shops are kept between runs.
QString shopCacheFolder();

// Creates `fileName` (which must not exist) filled with generated rows; the same seed gives
// the same shop.
void generateShop(const QString &fileName, const ShopSize &size, unsigned seed = 20140729);

// A generated shop of `size` in the system's temporary folder, made on first use and kept for
// later runs.
QString cachedShop(const ShopSize &size);

// A shop as one stands today after three years of selling: stock-in and sale dates run from three
// years before `today` up to `today` (so this month has its sales), and stock rows and sale lines
// are appended in date order, as the program appends them. The same seed gives the same shop.
void generateShopUpTo(const QString &fileName, const ShopSize &size, const QDate &today, unsigned seed = 20140729);

// Such a shop up to today in the system's temporary folder, made on first use in a month and kept
// for later runs in that month.
QString cachedShopUpToToday(const ShopSize &size);

// cachedShop() copied once and opened by the program, so the indexes it adds at open are in the
// copy and a measurement does not pay for building them. Kept for later runs.
QString indexedShop(const ShopSize &size);

// A fresh copy of indexedShop(size) under `name` in the same folder, for a measurement that
// writes: the shared copy stays as generated.
QString writableShop(const ShopSize &size, const QString &name);
