#include "sales/amountcapitals.h"

#include "common/gbk.h"

#include <algorithm>
#include <optional>

namespace {

// Fen digits beyond this many positions have no unit word.
constexpr int kMaxPositions = 30;
// Texts this long and longer are taken apart as text instead of read as a number.
constexpr int kTextPathLength = 10;

// The code of the first character that is neither a digit nor ".", if there is one.
std::optional<int> refusedCharacter(QStringView amount)
{
    for (qsizetype i = 0; i < amount.size();) {
        const QChar c = amount[i];
        if (c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            ++i;
            continue;
        }
        if (c.unicode() < 0x80)
            return c.unicode();
        const QByteArray bytes = gbk::characterBytes(amount.mid(i, gbk::characterLength(amount, i)));
        return bytes.isEmpty() ? int('?') : int(static_cast<unsigned char>(bytes.at(0)));
    }
    return std::nullopt;
}

bool containsAny(const QString &text, char from, char to)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [&](QChar c) { return c >= QLatin1Char(from) && c <= QLatin1Char(to); });
}

// The amount in whole fen as decimal digits: the yuan digits followed by the first two decimals,
// completed with "0". Empty when the text holds no number.
QString fenDigits(QString amount)
{
    if (amount.count(QLatin1Char('.')) > 1 || !containsAny(amount, '0', '9'))
        return {};
    const bool asText = amount.size() >= kTextPathLength;
    if (asText) {
        // Leading zeros go before the text is split, so "0000000.05" keeps the zero of its jiao.
        qsizetype zeros = 0;
        while (zeros < amount.size() && amount.at(zeros) == QLatin1Char('0'))
            ++zeros;
        amount.remove(0, zeros);
    }
    const qsizetype at = amount.indexOf(QLatin1Char('.'));
    const QString yuan = at < 0 ? amount : amount.left(at);
    const QString decimals = at < 0 ? QString() : amount.mid(at + 1, 2);
    QString digits = yuan + decimals.leftJustified(2, QLatin1Char('0'));
    if (!asText) {
        // Read as a number: written without leading zeros, "0" for zero.
        while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
            digits.remove(0, 1);
    }
    return digits;
}

bool isGroupPosition(int position)
{
    return position > 4 && position % 4 == 3;
}

// The unit word written after a digit at `position` (1 is fen), or at a group position after a
// run of zeros.
QString unitWord(int position)
{
    switch (position) {
    case 1:
        return QStringLiteral("分");
    case 2:
        return QStringLiteral("角");
    case 3:
        return {};
    case 7:
        return QStringLiteral("万");
    case 11:
        return QStringLiteral("亿");
    case 15:
        return QStringLiteral("万亿");
    case 19:
        return QStringLiteral("亿亿");
    case 23:
        return QStringLiteral("万亿亿");
    case 27:
        return QStringLiteral("亿亿亿");
    }
    static const QString tens[] = {QStringLiteral("拾"), QStringLiteral("佰"), QStringLiteral("仟")};
    return tens[(position - 4) % 4];
}

QString capitals(const QString &digits)
{
    static const QString capital[] = {
        QStringLiteral("零"), QStringLiteral("壹"), QStringLiteral("贰"), QStringLiteral("叁"), QStringLiteral("肆"),
        QStringLiteral("伍"), QStringLiteral("陆"), QStringLiteral("柒"), QStringLiteral("捌"), QStringLiteral("玖"),
    };
    const QString zero = capital[0];
    QString result;
    bool zeroPending = false;
    bool groupWordAllowed = true;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int position = int(digits.size() - i);
        const int digit = digits.at(i).unicode() - '0';
        if (digit != 0) {
            if (zeroPending)
                result += zero;
            result += capital[digit] + unitWord(position);
            zeroPending = false;
            groupWordAllowed = !isGroupPosition(position);
        } else {
            zeroPending = true;
            if (isGroupPosition(position) && groupWordAllowed) {
                result += unitWord(position);
                zeroPending = false;
                groupWordAllowed = false;
            }
        }
        if (position == 3) {
            result += QStringLiteral("元");
            zeroPending = false;
        }
    }
    if (digits.size() >= 2 && digits.endsWith(QStringLiteral("00")))
        result += QStringLiteral("整");
    return result;
}

} // namespace

QString amountInCapitals(const QString &amount, int *refusedCode)
{
    if (refusedCode)
        *refusedCode = 0;
    if (const std::optional<int> refused = refusedCharacter(amount)) {
        if (refusedCode)
            *refusedCode = *refused;
        return {};
    }
    const QString digits = fenDigits(amount);
    // A zero amount has no capitals; nor have amounts beyond the last unit word.
    if (digits.isEmpty() || !containsAny(digits, '1', '9') ||
        digits.size() > kMaxPositions)
        return {};
    return capitals(digits);
}
