#include "sales/owedcustomers.h"

#include "data/dataset.h"

namespace owedcustomers {
namespace {

// One customer's texts as they are grouped and matched: trimmed, a missing text taken as empty.
// The owed lines' index (data1_owed) is on these very expressions, so both statements read it.
const char *const kName = "trim(ifnull(g,''))";
const char *const kContact = "trim(ifnull(i,''))";
const char *const kAddress = "trim(ifnull(h,''))";

} // namespace

Statement customers()
{
    // Only lines with an owed amount other than 0: a partial index on data1 holds exactly these
    // lines, grouped as here, with the columns read here, so the listing reads a few bytes per
    // owed line and none of the paid ones. The total is rounded to the fen, so amounts kept as binary fractions add
    // up to what the listing shows and order by it.
    return Statement(QStringLiteral("select ifnull(nullif(%1,''),?) AS g,%2 AS i,%3 AS h,count(*) AS 笔数,"
                                    "round(sum([6]),2) AS 欠款合计,max(day1) AS 最后日期,%1 AS 客户 "
                                    "from data1 where [6]<>0 group by %1,%2,%3 "
                                    "order by 欠款合计 desc,客户,i,h")
                         .arg(QLatin1String(kName), QLatin1String(kContact), QLatin1String(kAddress)),
                     {unnamedCustomer()});
}

Statement linesOf(const OwedCustomer &customer)
{
    // By sale date and then as the owed lines' index holds the lines of one customer (the owed
    // amount, the texts as stored, the key), so a file reads them in its order without sorting.
    return Statement(QStringLiteral("select * from data1 where [6]<>0 and %1=? and %2=? and %3=? "
                                    "order by day1, [6], g, i, h, ID")
                         .arg(QLatin1String(kName), QLatin1String(kContact), QLatin1String(kAddress)),
                     {customer.name, customer.contact, customer.address});
}

OwedCustomer customerAt(const Dataset &listing, int row)
{
    return {listing.value(row, QStringLiteral("客户")).toString(), listing.value(row, QStringLiteral("i")).toString(),
            listing.value(row, QStringLiteral("h")).toString()};
}

GridColumns gridColumns()
{
    using C = GridColumn;
    const QString customer = QStringLiteral("客 户"), owed = QStringLiteral("欠 款");
    return {
        C::text(QStringLiteral("g"), customer, QStringLiteral("名 称"), 150)
            .withFooterText(QStringLiteral("合计"), Qt::AlignCenter),
        C::text(QStringLiteral("i"), customer, QStringLiteral("联系方式"), 130),
        C::text(QStringLiteral("h"), customer, QStringLiteral("地 址"), 260),
        C::number(QStringLiteral("笔数"), owed, QStringLiteral("笔 数"), {}, C::Footer::Sum, 70),
        C::number(QStringLiteral("欠款合计"), owed, QStringLiteral("欠款金额"), QStringLiteral("#0.##"), C::Footer::Sum, 110),
        C::text(QStringLiteral("最后日期"), owed, QStringLiteral("最后欠款日期"), 110).centred(),
    };
}

} // namespace owedcustomers
