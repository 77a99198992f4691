#pragma once

#include <QString>

class Database;

// What a code read by a barcode scanner (or typed and ended by Enter) stands for among the stock
// rows that have stock: the whole code, not a part of one.
struct ScannedCode {
    enum class Kind {
        None,    // no stock row in stock has this code
        One,     // one article (one name and model): `key` is its oldest stock-in batch in stock
        Several, // several articles share the code: the person chooses in the grid
    };
    Kind kind = Kind::None;
    long long key = -1;

    // Looks `typed` up, its blanks around it left off.
    static ScannedCode find(Database &db, const QString &typed);
};
