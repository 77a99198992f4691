#include "data/dialect.h"

namespace dialect {
namespace {
QString escaped(const QString &typed)
{
    QString out;
    out.reserve(typed.size());
    for (const QChar ch : typed) {
        if (ch == QLatin1Char('\\') || ch == QLatin1Char('%') || ch == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += ch;
    }
    return out;
}
QString part(const QString &column, int from, int length)
{
    return QStringLiteral("CAST(substr(%1,%2,%3) AS INTEGER)").arg(column).arg(from).arg(length);
}
} // namespace

QString year(const QString &column) { return part(column, 1, 4); }
QString month(const QString &column) { return part(column, 6, 2); }
QString day(const QString &column) { return part(column, 9, 2); }

QString typedNumber() { return QStringLiteral("CAST(trim(?) AS INTEGER)"); }

QString like(const QString &column) { return column + QStringLiteral(" like ? escape '\\'"); }
QString contains(const QString &typed) { return QLatin1Char('%') + escaped(typed) + QLatin1Char('%'); }
QString startsWith(const QString &typed) { return escaped(typed) + QLatin1Char('%'); }

QString leadingInteger(const QString &column, int from, bool onServer)
{
    // SQLite's CAST takes the leading digits of a text; the server's refuses a text that is not
    // all digits, so the digits are taken out first (at most 18: a whole number of 64 bits).
    if (onServer)
        return QStringLiteral("CAST(substring(%1 from '^.{%2}([0-9]{1,18})') AS BIGINT)").arg(column).arg(from - 1);
    return QStringLiteral("CAST(substr(%1, %2) AS INTEGER)").arg(column).arg(from);
}

QString tableCount(bool onServer)
{
    return onServer ? QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                     "table_schema = current_schema() AND table_name = ?")
                    : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name = ?");
}

QString lockingRead(bool onServer)
{
    // A file is locked whole by the group's first statement.
    return onServer ? QStringLiteral(" FOR UPDATE") : QString();
}

} // namespace dialect
