#include "sales/saleposting.h"

#include "common/clock.h"
#include "common/errors.h"
#include "common/fieldvalue.h"
#include "common/numbertext.h"
#include "data/database.h"
#include "data/dialect.h"
#include "data/dataset.h"
#include "stock/pinyin.h"

#include <sqlite3.h>

namespace {

QString cellText(const QVariant &v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
        return numbertext::general(v.toDouble());
    return v.toString();
}

QString cellText(const Dataset &rows, int row, const QString &column)
{
    return cellText(rows.value(row, column));
}

QString initials(const QString &text)
{
    return QString::fromLatin1(pinyinInitials(text));
}

// `value` rounded to the fen, half away from zero, through the four-decimal fixed point first, so
// 1.005 is 1.005 and not 1.00499….
double roundedToFen(double value)
{
    const long long units = numbertext::fixed4Units(value);
    const long long fen = units >= 0 ? (units + 50) / 100 : -((-units + 50) / 100);
    return double(fen) / 100;
}

} // namespace

SaleFigures computeSale(const SaleNumbers &n)
{
    const double p = n.price, q = n.quantity, s = n.stock, k = n.sold, m = n.salesAmount, c = n.purchasePrice;
    SaleFigures f;
    // The line's amount is money: taken to the fen once, here, so the grid, the sums, the note
    // and its capitals all show the one figure.
    const double amount = roundedToFen(p * q);
    f.amount = numbertext::general(amount);
    f.newSalesAmount = numbertext::general(amount + m);
    f.newStock = numbertext::format(s - q, QStringLiteral("0.00"));
    f.newStockValue = numbertext::general((s - q) * c);
    f.newSold = numbertext::general(k + q);
    f.profit = numbertext::format((p - c) * q, QStringLiteral("0.00"));
    return f;
}

QString discountedPrice(double listPrice, double discount)
{
    return numbertext::general(roundedToFen(listPrice * discount / 100));
}

LoadedStock LoadedStock::fromRow(const Dataset &rows, int row)
{
    LoadedStock s;
    s.key = rows.key(row);
    s.name = cellText(rows, row, QStringLiteral("a"));
    s.model = cellText(rows, row, QStringLiteral("b"));
    s.code = cellText(rows, row, QStringLiteral("c"));
    s.category = cellText(rows, row, QStringLiteral("d"));
    s.listPrice = cellText(rows, row, QStringLiteral("4"));
    s.purchasePrice = cellText(rows, row, QStringLiteral("1"));
    s.sold = cellText(rows, row, QStringLiteral("5"));
    s.salesAmount = cellText(rows, row, QStringLiteral("6"));
    s.stock = cellText(rows, row, QStringLiteral("7"));
    s.stockInDate = cellText(rows, row, QStringLiteral("day1"));
    return s;
}

LoadedStock LoadedStock::stored(Database &db, long long key)
{
    LoadedStock s;
    db.query(Statement(QStringLiteral("SELECT ID, a, b, c, d, [4], [1], [5], [6], [7], day1 FROM data WHERE ID=?") +
                           dialect::lockingRead(db.onServer()),
                       {key}),
             [&](const ResultRow &row) {
                 auto text = [&](int column) { return cellText(row.value(column)); };
                 s.key = row.value(0).toLongLong();
                 s.name = text(1);
                 s.model = text(2);
                 s.code = text(3);
                 s.category = text(4);
                 s.listPrice = text(5);
                 s.purchasePrice = text(6);
                 s.sold = text(7);
                 s.salesAmount = text(8);
                 s.stock = text(9);
                 s.stockInDate = text(10);
             });
    if (s.key < 0)
        throw DbError(QStringLiteral("这条库存记录已不存在，销售没有保存"));
    return s;
}

LoadedStock LoadedStock::after(const SaleFigures &posted) const
{
    LoadedStock s = *this;
    s.sold = posted.newSold;
    s.salesAmount = posted.newSalesAmount;
    s.stock = numbertext::general(numbertext::parse(posted.newStock));
    return s;
}

SaleNumbers saleNumbers(const LoadedStock &stock, const QString &price, const QString &quantity)
{
    SaleNumbers n;
    n.price = fieldvalue::number(price, QStringLiteral("实际销售价："));
    n.quantity = fieldvalue::number(quantity, QStringLiteral("销售数量："));
    n.stock = fieldvalue::number(stock.stock, QStringLiteral("库存数量："));
    n.sold = fieldvalue::number(stock.sold, QStringLiteral("已销售数量："));
    n.salesAmount = fieldvalue::number(stock.salesAmount, QStringLiteral("已销售金额："));
    n.purchasePrice = fieldvalue::number(stock.purchasePrice, QStringLiteral("进货单价："));
    return n;
}

SaleFigures postSale(Database &db, const LoadedStock &stock, const SaleEntry &entry, LoadedStock *now)
{
    // What was typed is converted before the first write.
    fieldvalue::number(entry.price, QStringLiteral("实际销售价："));
    fieldvalue::number(entry.quantity, QStringLiteral("销售数量："));
    const double owed = fieldvalue::number(entry.owed, QStringLiteral("欠款金额："));
    const QString saleDate = fieldvalue::date(entry.saleDate, QStringLiteral("销售日期："));

    SaleFigures f;
    inTransaction(db, [&] {
        // The row as stored, read under the write lock: the figures the panel was loaded with may
        // be out of date when another program sold from the row since.
        const LoadedStock current = LoadedStock::stored(db, stock.key);
        const SaleNumbers n = saleNumbers(current, entry.price, entry.quantity);
        const QString stockInDate = fieldvalue::date(current.stockInDate, QStringLiteral("入库日期："));
        if (n.quantity > n.stock)
            throw StockShortage(current);
        f = computeSale(n);
        const double newSold = numbertext::parse(f.newSold);
        const double newSalesAmount = numbertext::parse(f.newSalesAmount);
        const double newStock = numbertext::parse(f.newStock);
        const double newStockValue = numbertext::parse(f.newStockValue);
        const double amount = numbertext::parse(f.amount);
        const double profit = numbertext::parse(f.profit);
        const QString name = current.name.trimmed();
        const QString model = current.model.trimmed();

        db.execute(Statement(QStringLiteral("UPDATE data SET [5]=?, [6]=?, [7]=?, [8]=? WHERE ID=?"),
                             {newSold, newSalesAmount, newStock, newStockValue, current.key}));
        db.execute(Statement(
            QStringLiteral("INSERT INTO data1 (a, b, c, d, z, [1], [2], [3], [4], a5, [6], day1, day2, e, f, "
                           "g, h, i, j) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {name, model, current.code.trimmed(), current.category.trimmed(), entry.orderNumber.trimmed(),
             n.purchasePrice, n.price, n.quantity, amount, profit, owed, saleDate, stockInDate, initials(name),
             initials(model), entry.customer.trimmed(), entry.address.trimmed(), entry.contact.trimmed(),
             entry.remark.trimmed()}));
        if (now)
            *now = current.after(f);
    });
    return f;
}
