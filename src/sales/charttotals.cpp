#include "sales/charttotals.h"

#include "common/clock.h"
#include "data/dialect.h"

namespace charttotals {
namespace {

int typedNumber(const QString &text, int highest)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 9)
        return 0;
    for (const QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return 0;
    }
    const int number = digits.toInt();
    return number <= highest ? number : 0;
}

QString summed(Total total)
{
    return total == Total::Profit ? QStringLiteral("a5") : QStringLiteral("[4]");
}

// Sale dates are "yyyy-mm-dd" texts: the days from `first` up to, not including, `end` are a
// range of texts, which the index on data1(day1) serves.
Statement totals(const QString &position, const QString &group, Total total, const QDate &first, const QDate &end)
{
    return Statement(QStringLiteral("select %1,sum(%2) as 总量 from data1 where day1>=? and day1<? group by %3 order by %3")
                         .arg(position, summed(total), group),
                     {datetext::date(first), datetext::date(end)});
}

} // namespace

int typedYear(const QString &text)
{
    return typedNumber(text, 9998);
}

int typedMonth(const QString &text)
{
    return typedNumber(text, 12);
}

bool covers(const QString &yearText, const std::optional<QString> &monthText, const QDate &day)
{
    const int year = typedYear(yearText);
    const int month = monthText ? typedMonth(*monthText) : 0;
    if (year == 0 || (monthText && month == 0))
        return false;
    if (!day.isValid())
        return true;
    return day.year() == year && (!monthText || day.month() == month);
}

std::optional<Statement> byMonth(const QString &yearText, Total total)
{
    const int year = typedYear(yearText);
    if (year == 0)
        return std::nullopt;
    const QDate first(year, 1, 1);
    return totals(dialect::month(QStringLiteral("day1")) + QStringLiteral(" as 月份"), QStringLiteral("月份"), total,
                  first, first.addYears(1));
}

std::optional<Statement> byDay(const QString &yearText, const QString &monthText, Total total)
{
    const int year = typedYear(yearText);
    const int month = typedMonth(monthText);
    if (year == 0 || month == 0)
        return std::nullopt;
    const QDate first(year, month, 1);
    // Grouped by the whole date text, as the sale lines store it.
    return totals(dialect::day(QStringLiteral("day1")) + QStringLiteral(" as 日期"), QStringLiteral("day1"), total,
                  first, first.addMonths(1));
}

} // namespace charttotals
