#include "sales/saleslistings.h"

#include "common/clock.h"
#include "data/dialect.h"

namespace saleslistings {
namespace {

// "select * from data1 <base>" followed by one bound substring match per non-empty field, in the
// order category, name, code, model, customer, remark, and the inclusive date range.
Statement withConditions(const QString &base, const SalesConditions &conditions)
{
    Statement statement(QStringLiteral("select * from data1 ") + base);
    const std::pair<const char *, const QString *> matches[] = {
        {"d", &conditions.category}, {"e", &conditions.name},     {"c", &conditions.code},
        {"f", &conditions.model},     {"g", &conditions.customer}, {"j", &conditions.remark},
    };
    bool anyText = false;
    for (const auto &[column, text] : matches) {
        if (text->isEmpty())
            continue;
        statement.add(QStringLiteral(" and ") + dialect::like(QLatin1String(column)), {dialect::contains(*text)});
        anyText = true;
    }
    if (conditions.dateRange) {
        statement.add(QStringLiteral(" and day1>=?"), {datetext::date(conditions.from)});
        statement.add(QStringLiteral(" and day1<=?"), {datetext::date(conditions.to)});
    }
    // The order a file reads the lines in, without sorting them: a date range, or the base
    // condition alone, is read from the date index (by date, then key); a typed text is matched
    // over the whole table, in key order.
    statement.add(conditions.dateRange || !anyText ? QStringLiteral(" order by day1, ID")
                                                   : QStringLiteral(" order by ID"));
    return statement;
}

} // namespace

Statement thisMonth(const QDate &today)
{
    const QDate first(today.year(), today.month(), 1);
    return Statement(QStringLiteral("select * from data1 where day1>=? and day1<? order by day1, ID"),
                     {datetext::date(first), datetext::date(first.addMonths(1))});
}

Statement allRecords()
{
    return Statement(QStringLiteral("select * from data1 order by day1, ID"));
}

Statement allReturns()
{
    return Statement(QStringLiteral("select * from data1 where [3]<0 order by day1, ID"));
}

Statement sales(const SalesConditions &conditions)
{
    return withConditions(QStringLiteral("where [3]>0"), conditions);
}

Statement returns(const SalesConditions &conditions)
{
    return withConditions(QStringLiteral("where [3]<0"), conditions);
}

Statement orderNumber(const QString &typed)
{
    return Statement(QStringLiteral("select * from data1 where ") + dialect::like(QStringLiteral("z")) +
                         QStringLiteral(" order by ID"),
                     {dialect::contains(typed.trimmed())});
}

} // namespace saleslistings
