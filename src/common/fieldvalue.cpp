#include "common/fieldvalue.h"

#include "common/clock.h"
#include "common/errors.h"
#include "common/numbertext.h"

#include <QDate>

namespace fieldvalue {

namespace {
template <class Parse>
auto named(const QString &caption, Parse parse)
{
    try {
        return parse();
    } catch (const ConversionError &e) {
        throw ConversionError(caption + e.text());
    }
}
} // namespace

double number(const QString &text, const QString &caption)
{
    return named(caption, [&] { return numbertext::parse(text); });
}

long long integer(const QString &text, const QString &caption)
{
    return named(caption, [&] { return numbertext::parseInteger(text); });
}

QString date(const QString &text, const QString &caption)
{
    const QDate d = QDate::fromString(text.trimmed(), QLatin1String(datetext::kDateFormat));
    if (!d.isValid())
        throw ConversionError(QStringLiteral("%1'%2' 不是有效的日期").arg(caption, text));
    return datetext::date(d);
}

} // namespace fieldvalue
