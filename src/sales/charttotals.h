#pragma once

#include "data/statement.h"

#include <QDate>
#include <QString>
#include <optional>

// The statements behind the two sales charts: totals of the sale lines per month of a year
// (columns "月份" and "总量") and per day of a month (columns "日期" and "总量"). The year and
// month are typed texts; a text that is no year or month gives no statement, so the chart shows
// no bars.
namespace charttotals {

enum class Total {
    Profit, // net profit a5 ("查询利润")
    Sales,  // sales amount 4 ("查询销售额")
};

std::optional<Statement> byMonth(const QString &yearText, Total total);
std::optional<Statement> byDay(const QString &yearText, const QString &monthText, Total total);

// Whether a sale line of `day` counts in the totals of the typed year and, when a month text is
// given (the chart per day), the typed month: a change of such a line changes that chart's bars.
// An invalid day may be any day; a text that is no year or month covers none.
bool covers(const QString &yearText, const std::optional<QString> &monthText, const QDate &day);

// A typed year (1 to 9998) or month (1 to 12): digits, blanks around them allowed, as "2014",
// " 2014", "2" or "02". 0 when the text is none.
int typedYear(const QString &text);
int typedMonth(const QString &text);

} // namespace charttotals
