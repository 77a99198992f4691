#pragma once

#include <QDate>
#include <QDateTime>

// Today and now, replaceable so tests can fix the date.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The program's one date format, and the date-time text written into the login log.
namespace datetext {
inline constexpr const char *kDateFormat = "yyyy-MM-dd";
inline QString date(const QDate &d) { return d.toString(QLatin1String(kDateFormat)); }
inline QString dateTime(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
} // namespace datetext
