#include "common/numbertext.h"

#include "common/errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace numbertext {
namespace {

// The 15 significant decimal digits of |value| and its decimal exponent, so that
// |value| ~= 0.d1d2...d15 * 10^(exponent + 1), i.e. d1 is the digit of 10^exponent.
struct Decimal {
    QString digits; // exactly 15 digits, first one non-zero (unless value is 0)
    int exponent = 0;
};

Decimal decompose(double value)
{
    // std::to_chars, unlike printf, writes "." whatever locale the desktop set for the C library.
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    // buf looks like "d.dddddddddddddde+XX"
    Decimal d;
    const QString s = QString::fromLatin1(buf, written.ptr - buf);
    const int e = s.indexOf(QLatin1Char('e'));
    d.digits = s.left(e).remove(QLatin1Char('.'));
    d.exponent = s.mid(e + 1).toInt();
    return d;
}

QString stripZeros(QString digits)
{
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return digits;
}

// Rounds a decimal string of digits (integer part and fraction given separately) to `places`
// fraction digits, halves away from zero. Returns integer and fraction parts.
void roundDecimal(QString &intPart, QString &frac, int places)
{
    if (frac.size() <= places) {
        frac = frac.leftJustified(places, QLatin1Char('0'));
        return;
    }
    const bool up = frac.at(places) >= QLatin1Char('5');
    frac.truncate(places);
    if (!up)
        return;
    QString all = intPart + frac;
    int i = all.size() - 1;
    while (i >= 0) {
        if (all.at(i) == QLatin1Char('9')) {
            all[i] = QLatin1Char('0');
            --i;
        } else {
            all[i] = QChar(all.at(i).unicode() + 1);
            break;
        }
    }
    if (i < 0)
        all.prepend(QLatin1Char('1'));
    intPart = all.left(all.size() - places);
    frac = all.right(places);
}

// Splits |value| (rounded to 15 significant digits) into integer and fraction digit strings.
void fixedParts(double value, QString &intPart, QString &frac)
{
    const Decimal d = decompose(value);
    if (value == 0.0) {
        intPart = QStringLiteral("0");
        frac.clear();
        return;
    }
    if (d.exponent >= 0) {
        const int intDigits = d.exponent + 1;
        if (intDigits >= d.digits.size()) {
            intPart = d.digits + QString(intDigits - d.digits.size(), QLatin1Char('0'));
            frac.clear();
        } else {
            intPart = d.digits.left(intDigits);
            frac = d.digits.mid(intDigits);
        }
    } else {
        intPart = QStringLiteral("0");
        frac = QString(-d.exponent - 1, QLatin1Char('0')) + d.digits;
    }
}

[[noreturn]] void fail(const QString &text)
{
    throw ConversionError(QStringLiteral("'%1' 不是有效的数值").arg(text));
}

} // namespace

QString general(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0.0)
        return QStringLiteral("0");

    const Decimal d = decompose(value);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const bool scientific = d.exponent + 1 > 15 || d.exponent < -5;
    if (scientific) {
        const QString mant = stripZeros(d.digits);
        QString text = sign + mant.left(1);
        if (mant.size() > 1)
            text += QLatin1Char('.') + mant.mid(1);
        return text + QLatin1Char('E') + QString::number(d.exponent);
    }
    QString intPart, frac;
    fixedParts(value, intPart, frac);
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    return sign + intPart + (frac.isEmpty() ? QString() : QLatin1Char('.') + frac);
}

QString format(double value, const QString &pattern)
{
    const int point = pattern.indexOf(QLatin1Char('.'));
    const QString decimals = point < 0 ? QString() : pattern.mid(point + 1);
    const int required = decimals.count(QLatin1Char('0'));
    const int places = decimals.size();

    if (std::isnan(value) || std::isinf(value))
        return general(value);

    QString intPart, frac;
    fixedParts(value, intPart, frac);
    roundDecimal(intPart, frac, places);
    while (frac.size() > required && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    const bool zero = intPart.count(QLatin1Char('0')) == intPart.size() && frac.count(QLatin1Char('0')) == frac.size();
    const QString sign = value < 0 && !zero ? QStringLiteral("-") : QString();
    // A "," in the integer part of the pattern groups the integer digits by thousands.
    if (pattern.left(point < 0 ? pattern.size() : point).contains(QLatin1Char(','))) {
        for (qsizetype at = intPart.size() - 3; at > 0; at -= 3)
            intPart.insert(at, QLatin1Char(','));
    }
    return sign + intPart + (frac.isEmpty() ? QString() : QLatin1Char('.') + frac);
}

double fixed4(double value)
{
    if (std::isnan(value) || std::isinf(value) || value == 0.0)
        return value;
    // Footer sums call this for every loaded row, so the common case avoids the decimal text:
    // below 10^7 the scaled value is off by less than 10^-4 from the exact decimal one, so unless
    // it lies within 10^-3 of a half, rounding it gives the same four decimals as the text would.
    const double size = std::fabs(value);
    if (size < 1e7) {
        const double scaled = size * 10000.0;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > 1e-3) {
            const double rounded = (fraction > 0.5 ? whole + 1 : whole) / 10000.0;
            return value < 0 ? -rounded : rounded;
        }
    }
    QString intPart, frac;
    fixedParts(value, intPart, frac);
    roundDecimal(intPart, frac, 4);
    const double magnitude = (intPart + QLatin1Char('.') + frac).toDouble();
    return value < 0 ? -magnitude : magnitude;
}

long long fixed4Units(double value)
{
    // The fast branch of fixed4 gives the count of ten-thousandths directly. Sums call this for
    // every loaded row, so the whole part is taken by conversion (exact below 10^11), not floor().
    const double size = std::fabs(value);
    if (size < 1e7) {
        const double scaled = size * 10000.0;
        const long long whole = static_cast<long long>(scaled);
        const double fraction = scaled - double(whole);
        if (std::fabs(fraction - 0.5) > 1e-3) {
            const long long units = fraction > 0.5 ? whole + 1 : whole;
            return value < 0 ? -units : units;
        }
    }
    return std::llround(fixed4(value) * 10000.0);
}

long long roundHalfEven(double value)
{
    return static_cast<long long>(std::nearbyint(value)); // default rounding mode: to nearest even
}

double parse(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    const int n = t.size();
    auto digitsAt = [&](int from) {
        int k = from;
        while (k < n && t.at(k).isDigit() && t.at(k).unicode() < 128)
            ++k;
        return k - from;
    };
    const bool negative = i < n && t.at(i) == QLatin1Char('-');
    if (i < n && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+')))
        ++i;
    const int mantissaFrom = i;
    const int intDigits = digitsAt(i);
    i += intDigits;
    int fracDigits = 0;
    if (i < n && t.at(i) == QLatin1Char('.')) {
        ++i;
        fracDigits = digitsAt(i);
        i += fracDigits;
    }
    if (intDigits + fracDigits == 0)
        fail(text);
    const int mantissaTo = i;
    long long exponent = 0;
    if (i < n && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        ++i;
        const bool negativeExponent = i < n && t.at(i) == QLatin1Char('-');
        if (i < n && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+')))
            ++i;
        const int expDigits = digitsAt(i);
        if (expDigits == 0)
            fail(text);
        for (int k = i; k < i + expDigits; ++k)
            exponent = std::min(exponent * 10 + (t.at(k).unicode() - '0'), 1'000'000'000LL);
        if (negativeExponent)
            exponent = -exponent;
        i += expDigits;
    }
    if (i != n)
        fail(text);

    // std::from_chars reads "." as the decimal point whatever locale the desktop set for the C
    // library (strtod would stop at the "." under a decimal-comma locale). It takes no "+".
    const std::string latin = t.mid(negative ? 0 : mantissaFrom).toStdString();
    double v = 0;
    const auto [end, error] = std::from_chars(latin.data(), latin.data() + latin.size(), v);
    if (error == std::errc::result_out_of_range) {
        // Too large is refused; too small to tell from zero is zero, as the nearest double.
        // The power of ten of the first non-zero digit decides which.
        const QString mantissa = t.mid(mantissaFrom, mantissaTo - mantissaFrom);
        const int point = intDigits; // position of the "." (or of the end) in the mantissa
        int lead = 0;
        while (lead < mantissa.size() && (mantissa.at(lead) == QLatin1Char('0') || lead == point))
            ++lead;
        const long long magnitude = (lead < point ? point - lead - 1 : point - lead) + exponent;
        if (magnitude >= 0)
            fail(text);
        return negative ? -0.0 : 0.0;
    }
    if (error != std::errc() || end != latin.data() + latin.size() || std::isinf(v) || std::isnan(v))
        fail(text);
    return v;
}

long long parseInteger(const QString &text)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' 不是有效的整数").arg(text));
    return v;
}

} // namespace numbertext
