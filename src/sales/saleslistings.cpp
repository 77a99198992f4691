#include "sales/saleslistings.h"

#include "common/clock.h"
#include "data/dialect.h"
#include "data/saletextindex.h"

namespace saleslistings {
namespace {

// The lines among the text index's candidates for `typed` (column, text) when `indexed` and one of
// the texts is long enough for it: " and ID in (…)"; nothing otherwise.
void narrowedByIndex(Statement &statement, const std::vector<std::pair<QString, QString>> &typed, bool indexed)
{
    if (!indexed)
        return;
    const Statement candidates = saletextindex::candidates(typed);
    if (!candidates.sql.isEmpty())
        statement.add(QStringLiteral(" and ") + candidates.sql, candidates.params);
}

// "select * from data1 <base>" followed by one bound substring match per non-empty field, in the
// order category, name, code, model, customer, remark, and the inclusive date range. With the
// text index, the lines are first narrowed to its candidates; the matches decide.
Statement withConditions(const QString &base, const SalesConditions &conditions, bool indexed)
{
    Statement statement(QStringLiteral("select * from data1 ") + base);
    const std::pair<const char *, const QString *> matches[] = {
        {"d", &conditions.category}, {"e", &conditions.name},     {"c", &conditions.code},
        {"f", &conditions.model},     {"g", &conditions.customer}, {"j", &conditions.remark},
    };
    std::vector<std::pair<QString, QString>> typed;
    for (const auto &[column, text] : matches) {
        if (!text->isEmpty())
            typed.emplace_back(QLatin1String(column), *text);
    }
    const bool anyText = !typed.empty();
    narrowedByIndex(statement, typed, indexed);
    for (const auto &[column, text] : typed)
        statement.add(QStringLiteral(" and ") + dialect::like(column), {dialect::contains(text)});
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

Statement sales(const SalesConditions &conditions, bool indexed)
{
    return withConditions(QStringLiteral("where [3]>0"), conditions, indexed);
}

Statement returns(const SalesConditions &conditions, bool indexed)
{
    return withConditions(QStringLiteral("where [3]<0"), conditions, indexed);
}

Statement orderNumber(const QString &typed, bool indexed)
{
    const QString searched = typed.trimmed();
    Statement statement(QStringLiteral("select * from data1 where ") + dialect::like(QStringLiteral("z")),
                        {dialect::contains(searched)});
    narrowedByIndex(statement, {{QStringLiteral("z"), searched}}, indexed);
    statement.add(QStringLiteral(" order by ID"));
    return statement;
}

} // namespace saleslistings
