#include "stock/stockconditions.h"

#include "common/clock.h"
#include "data/dialect.h"

StockListing StockListing::allRows()
{
    return {QStringLiteral("select * from data order by day1, ID"), QStringLiteral("where [2]>0")};
}

StockListing StockListing::nonZeroStock()
{
    return {QStringLiteral("select * from data where [7]<>0 order by day1, ID"), QStringLiteral("where [7]<>0")};
}

Statement stockConditionsStatement(const QString &baseCondition, const StockConditions &conditions)
{
    Statement statement(QStringLiteral("select * from data ") + baseCondition);
    const std::pair<const char *, const QString *> matches[] = {
        {"d", &conditions.category}, {"e", &conditions.name},   {"f", &conditions.model},
        {"c", &conditions.code},     {"z", &conditions.remark}, {"g", &conditions.supplier},
    };
    for (const auto &[column, text] : matches) {
        QString typed = *text;
        typed.remove(QChar(u'\0'));
        if (!typed.isEmpty())
            statement.add(QStringLiteral(" and ") + dialect::like(QLatin1String(column)), {dialect::contains(typed)});
    }
    if (conditions.dateRange) {
        statement.add(QStringLiteral(" and day1>=?"), {datetext::date(conditions.from)});
        statement.add(QStringLiteral(" and day1<=?"), {datetext::date(conditions.to)});
    }
    // Key order: the order of the table and of the base condition's index, which a file reads them in.
    statement.add(QStringLiteral(" order by ID"));
    return statement;
}
