#pragma once

#include "support/testapp.h"

#include <QVariantHash>

// Inserts a sale line into data1 with the given columns (names as stored: "a", "3", "day1" …);
// returns its key.
inline long long addSaleLine(TestShop &shop, const QVariantHash &values)
{
    QStringList names, marks;
    QVariantList params;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        names << QLatin1Char('[') + it.key() + QLatin1Char(']');
        marks << QStringLiteral("?");
        params << it.value();
    }
    shop.exec(QStringLiteral("INSERT INTO data1 (%1) VALUES (%2)").arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
              params);
    return shop.db.lastInsertId();
}

// The same with `changes` laid over the columns of `base`: a fixture's usual line, changed where a
// test says.
inline long long addSaleLine(TestShop &shop, QVariantHash base, const QVariantHash &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        base.insert(it.key(), it.value());
    return addSaleLine(shop, base);
}
