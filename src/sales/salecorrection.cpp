#include "sales/salecorrection.h"

#include "common/errors.h"
#include "common/fieldvalue.h"
#include "common/numbertext.h"
#include "data/database.h"
#include "data/dialect.h"
#include "data/dataset.h"

#include <sqlite3.h>

namespace {

// A stored number: a missing value or a text that is not a number raises a ConversionError
// naming `caption`.
double storedNumber(const QVariant &value, const QString &caption)
{
    if (!value.isNull() && (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong))
        return value.toDouble();
    return fieldvalue::number(value.isNull() ? QString() : value.toString(), caption);
}

// A stored count that may be missing, as a stock row never sold has no quantity sold: 0 then.
double storedCountOrZero(const QVariant &value, const QString &caption)
{
    return value.isNull() ? 0 : storedNumber(value, caption);
}

double rounded(double value)
{
    return numbertext::parse(numbertext::general(value));
}

} // namespace

LoadedSaleLine LoadedSaleLine::fromCurrentRow(const Dataset &sales)
{
    LoadedSaleLine l;
    l.key = sales.currentKey();
    l.name = sales.text(QStringLiteral("a"));
    l.model = sales.text(QStringLiteral("b"));
    l.code = sales.text(QStringLiteral("c"));
    l.category = sales.text(QStringLiteral("d"));
    l.saleDate = sales.text(QStringLiteral("day1"));
    l.price = sales.text(QStringLiteral("2"));
    l.quantity = sales.text(QStringLiteral("3"));
    l.amount = sales.text(QStringLiteral("4"));
    l.owed = sales.text(QStringLiteral("6"));
    l.orderNumber = sales.text(QStringLiteral("z"));
    l.customer = sales.text(QStringLiteral("g"));
    l.address = sales.text(QStringLiteral("h"));
    l.contact = sales.text(QStringLiteral("i"));
    l.remark = sales.text(QStringLiteral("j"));
    l.purchasePrice = sales.text(QStringLiteral("1"));
    l.stockInDate = sales.text(QStringLiteral("day2"));
    return l;
}

void modifySaleLine(Dataset &sales, long long key, const SaleLineChanges &changes)
{
    const double owed = fieldvalue::number(changes.owed, QStringLiteral("欠款金额："));
    Database &db = sales.database();
    inTransaction(db, [&] {
        if (db.scalar(Statement(QStringLiteral("SELECT ID FROM data1 WHERE ID=?"), {key})).isNull())
            throw DbError(QStringLiteral("这条销售记录已不存在，没有修改"));
        sales.updateByKey(key, {{QStringLiteral("6"), owed},
                                {QStringLiteral("z"), changes.orderNumber.trimmed()},
                                {QStringLiteral("g"), changes.customer.trimmed()},
                                {QStringLiteral("h"), changes.address.trimmed()},
                                {QStringLiteral("i"), changes.contact.trimmed()},
                                {QStringLiteral("j"), changes.remark.trimmed()}});
    });
}

StockFigures givenBack(const StockFigures &before, double quantity, double amount, double purchasePrice)
{
    StockFigures after;
    after.sold = rounded(before.sold - quantity);
    after.salesAmount = rounded(before.salesAmount - amount);
    after.stock = rounded(before.stock + quantity);
    after.stockValue = rounded(quantity * purchasePrice + before.stockValue);
    return after;
}

SaleLineRemoval deleteSaleLine(Database &db, long long key)
{
    SaleLineRemoval removal;
    inTransaction(db, [&] {
        // The line as stored now, read under the transaction's lock.
        bool found = false;
        QVariant line[8];
        db.query(Statement(QStringLiteral("SELECT a, b, c, d, day2, [3], [4], [1] FROM data1 WHERE ID=?") +
                               dialect::lockingRead(db.onServer()),
                           {key}),
                 [&](const ResultRow &row) {
                     found = true;
                     for (int i = 0; i < 8; ++i)
                         line[i] = row.value(i);
                 });
        if (!found)
            throw DbError(QStringLiteral("这条销售记录已不存在，没有删除"));

        // The stock row it was sold from: equal texts, whatever blanks surround them, a missing
        // text being an empty one; the first stored of equal rows.
        QVariantList match;
        for (int i = 0; i < 5; ++i)
            match << (line[i].isNull() ? QString() : line[i].toString()).trimmed();
        QVariant stock[5];
        bool stockFound = false;
        db.query(Statement(QStringLiteral("SELECT ID, [5], [6], [7], [8] FROM data WHERE "
                                          "trim(coalesce(a, ''))=coalesce(?, '') AND "
                                          "trim(coalesce(b, ''))=coalesce(?, '') AND "
                                          "trim(coalesce(c, ''))=coalesce(?, '') AND "
                                          "trim(coalesce(d, ''))=coalesce(?, '') AND "
                                          "trim(coalesce(day1, ''))=coalesce(?, '') ORDER BY ID LIMIT 1") +
                               dialect::lockingRead(db.onServer()),
                           match),
                 [&](const ResultRow &row) {
                     stockFound = true;
                     for (int i = 0; i < 5; ++i)
                         stock[i] = row.value(i);
                 });

        if (stockFound) {
            const double quantity = storedNumber(line[5], QStringLiteral("销售数量："));
            const double amount = storedNumber(line[6], QStringLiteral("销售金额："));
            const double purchasePrice = storedNumber(line[7], QStringLiteral("进货单价："));
            StockFigures before;
            before.sold = storedCountOrZero(stock[1], QStringLiteral("已销售数量："));
            before.salesAmount = storedNumber(stock[2], QStringLiteral("已销售金额："));
            before.stock = storedCountOrZero(stock[3], QStringLiteral("库存数量："));
            before.stockValue = storedNumber(stock[4], QStringLiteral("库存金额："));
            const StockFigures after = givenBack(before, quantity, amount, purchasePrice);
            const long long stockKey = stock[0].toLongLong();
            db.execute(Statement(QStringLiteral("UPDATE data SET [5]=?, [6]=?, [7]=?, [8]=? WHERE ID=?"),
                                 {after.sold, after.salesAmount, after.stock, after.stockValue, stockKey}));
            if (db.changes() != 1)
                throw DbError(QStringLiteral("库存记录没有改变，销售记录没有删除"));
            removal.stockKey = stockKey;
            removal.before = before;
        }

        db.execute(Statement(QStringLiteral("DELETE FROM data1 WHERE ID=?"), {key}));
        if (db.changes() != 1)
            throw DbError(QStringLiteral("这条销售记录已不存在，没有删除"));
    });
    return removal;
}
