#include "stock/stockrows.h"

#include "common/clock.h"
#include "common/errors.h"
#include "common/fieldvalue.h"
#include "common/numbertext.h"
#include "data/database.h"
#include "data/dialect.h"
#include "stock/pinyin.h"

#include <QDate>
#include <QStringList>

namespace stockrows {
namespace {

QString initials(const QString &text)
{
    return QString::fromLatin1(pinyinInitials(text));
}

// A number as the database holds it: null counts as nothing (0), a text must be a number.
double storedNumber(const QVariant &value)
{
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::QString)
        return numbertext::parse(value.toString());
    return value.toDouble();
}

StockColumns describedBy(const StockInValues &v)
{
    return {{QStringLiteral("a"), v.name},     {QStringLiteral("b"), v.model},
            {QStringLiteral("c"), v.code},     {QStringLiteral("d"), v.category},
            {QStringLiteral("1"), v.price},    {QStringLiteral("2"), v.quantity},
            {QStringLiteral("4"), v.salePrice}};
}

void addTail(StockColumns &columns, const StockInValues &v)
{
    columns << std::pair{QStringLiteral("z"), QVariant(v.remark)} << std::pair{QStringLiteral("day1"), QVariant(v.date)}
            << std::pair{QStringLiteral("g"), QVariant(v.supplier)}
            << std::pair{QStringLiteral("e"), QVariant(initials(v.name))}
            << std::pair{QStringLiteral("f"), QVariant(initials(v.model))};
}

QString bracketed(const QString &column)
{
    return QLatin1Char('[') + column + QLatin1Char(']');
}

} // namespace

double asField(double value)
{
    return numbertext::parse(numbertext::general(value));
}

StockInValues convert(const StockInTexts &t)
{
    StockInValues v;
    v.price = fieldvalue::number(t.price, QStringLiteral("进货单价："));
    v.quantity = fieldvalue::number(t.quantity, QStringLiteral("进货数量："));
    v.salePrice = fieldvalue::number(t.salePrice, QStringLiteral("销售单价："));
    v.date = fieldvalue::date(t.date, QStringLiteral("入库日期："));
    v.name = t.name.trimmed();
    v.model = t.model.trimmed();
    v.code = t.code.trimmed();
    v.category = t.category.trimmed();
    v.supplier = t.supplier.trimmed();
    v.remark = t.remark.trimmed();
    return v;
}

StockColumns newRow(const StockInValues &v)
{
    const double amount = asField(v.price * v.quantity);
    StockColumns c = describedBy(v);
    c << std::pair{QStringLiteral("3"), QVariant(amount)} << std::pair{QStringLiteral("5"), QVariant(0.0)}
      << std::pair{QStringLiteral("6"), QVariant(0.0)} << std::pair{QStringLiteral("7"), QVariant(v.quantity)}
      << std::pair{QStringLiteral("8"), QVariant(amount)};
    addTail(c, v);
    return c;
}

StockColumns modifiedRow(const StockInValues &v, double sold, double salesAmount, bool salePriceChanged)
{
    const double inStock = v.quantity - sold;
    StockColumns c = describedBy(v);
    c << std::pair{QStringLiteral("3"), QVariant(asField(v.price * v.quantity))}
      << std::pair{QStringLiteral("5"), QVariant(sold)}
      << std::pair{QStringLiteral("6"), QVariant(salePriceChanged ? asField(v.salePrice * sold) : salesAmount)}
      << std::pair{QStringLiteral("7"), QVariant(asField(inStock))}
      << std::pair{QStringLiteral("8"), QVariant(asField(inStock * v.price))};
    addTail(c, v);
    return c;
}

long long insert(Database &db, const StockInValues &v)
{
    QStringList names, marks;
    QVariantList params;
    for (const auto &[column, value] : newRow(v)) {
        names << bracketed(column);
        marks << QStringLiteral("?");
        params << value;
    }
    db.execute(Statement(QStringLiteral("INSERT INTO data (%1) VALUES (%2)")
                             .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                         params));
    return db.lastInsertId();
}

bool modify(Database &db, long long key, const StockInValues &v, bool salePriceChanged)
{
    bool found = false;
    inTransaction(db, [&] {
        QVariant sold, salesAmount;
        db.query(Statement(QStringLiteral("SELECT [5],[6] FROM data WHERE ID=?") + dialect::lockingRead(db.onServer()),
                           {key}),
                 [&](const ResultRow &row) {
            found = true;
            sold = row.value(0);
            salesAmount = row.value(1);
        });
        if (!found)
            return;
        QStringList sets;
        QVariantList params;
        for (const auto &[column, value] :
             modifiedRow(v, storedNumber(sold), storedNumber(salesAmount), salePriceChanged)) {
            sets << bracketed(column) + QStringLiteral("=?");
            params << value;
        }
        params << key;
        db.execute(Statement(QStringLiteral("UPDATE data SET %1 WHERE ID=?").arg(sets.join(QLatin1Char(','))), params));
    });
    return found;
}

} // namespace stockrows
