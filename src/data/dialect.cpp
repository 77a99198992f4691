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

} // namespace dialect
