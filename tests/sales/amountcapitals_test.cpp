#include "sales/amountcapitals.h"

#include <gtest/gtest.h>

namespace {

struct CapitalsCase {
    const char *amount;
    const char *capitals;
};

QString capitalsOf(const char *amount, int *code = nullptr)
{
    return amountInCapitals(QString::fromUtf8(amount), code);
}

} // namespace

TEST(AmountInCapitals, WritesEveryKindOfAmount)
{
    const CapitalsCase cases[] = {
        {"0", ""},
        {"0.00", ""},
        {"0.05", "伍分"},
        {"0.5", "伍角"},
        {"0.53", "伍角叁分"},
        {"5", "伍元整"},
        {"10", "壹拾元整"},
        {"100.5", "壹佰元伍角"},
        {"2.09", "贰元零玖分"},
        {"1001", "壹仟零壹元整"},
        {"10005", "壹万零伍元整"},
        {"100000", "壹拾万元整"},
        {"1000010", "壹佰万零壹拾元整"},
        {"1010101.01", "壹佰零壹万零壹佰零壹元零壹分"},
        {"45678.912", "肆万伍仟陆佰柒拾捌元玖角壹分"},
        {"1000.05", "壹仟元零伍分"},
        {"20000000", "贰仟万元整"},
        {"100000000", "壹亿元整"},
        // Ten characters and more: taken apart as text.
        {"2345678.91", "贰佰叁拾肆万伍仟陆佰柒拾捌元玖角壹分"},
        {"2345678901", "贰拾叁亿肆仟伍佰陆拾柒万捌仟玖佰零壹元整"},
        {"10010000.07", "壹仟零壹万元零柒分"},
        {"100000000.1", "壹亿元壹角"},
        {"2000000000", "贰拾亿元整"},
        {"0000000.05", "零伍分"},
        {"23456789.5", "贰仟叁佰肆拾伍万陆仟柒佰捌拾玖元伍角"},
        {"2345678.919", "贰佰叁拾肆万伍仟陆佰柒拾捌元玖角壹分"},
        {"1.2.3", ""},
        // Amounts whose fen a double would get wrong (0.29 * 100 = 28.999…).
        {"0.29", "贰角玖分"},
        {"4.35", "肆元叁角伍分"},
        {"1.15", "壹元壹角伍分"},
        {"19.99", "壹拾玖元玖角玖分"},
        // Leading zeros, a bare point, a point at either end.
        {"007", "柒元整"},
        {".5", "伍角"},
        {"8.", "捌元整"},
        {"", ""},
        {".", ""},
        // A zero amount gives no capitals on the text path either.
        {"0000000000", ""},
        {"0.00000000", ""},
        // The largest amount with unit words (30 fen digits), and one digit more.
        {"1000000000000000000000000000", "壹仟亿亿亿元整"},
        {"10000000000000000000000000000", ""},
        {"1000000000000.5", "壹万亿元伍角"},
    };
    for (const CapitalsCase &c : cases) {
        int code = -1;
        EXPECT_EQ(capitalsOf(c.amount, &code), QString::fromUtf8(c.capitals)) << c.amount;
        EXPECT_EQ(code, 0) << c.amount;
    }
}

TEST(AmountInCapitals, RefusesTheFirstCharacterThatIsNoDigitAndGivesItsCode)
{
    const struct {
        const char *amount;
        int code;
    } cases[] = {
        {"-20", 45},
        {"1,234.00", 44},
        {"12a", 97},
        {" 5", 32},
        {"5元", 0xD4},     // GBK D4AA: the first byte
        {"１２", 0xA3},    // full-width digits are no digits
        {"5😀", '?'},     // GBK has no code for it
        {"9-€", 45},
    };
    for (const auto &c : cases) {
        int code = 0;
        EXPECT_EQ(capitalsOf(c.amount, &code), QString()) << c.amount;
        EXPECT_EQ(code, c.code) << c.amount;
        EXPECT_EQ(capitalsOf(c.amount), QString()) << "without a code: " << c.amount;
    }
}

TEST(AmountInCapitals, AnyTextReturnsWithoutHarm)
{
    int code = -1;
    EXPECT_EQ(amountInCapitals(QString(10000, QLatin1Char('9')), &code), QString());
    EXPECT_EQ(code, 0);
    EXPECT_EQ(amountInCapitals(QString(10000, QLatin1Char('.')), &code), QString());
    EXPECT_EQ(amountInCapitals(QString(10000, QLatin1Char('x')), &code), QString());
    EXPECT_EQ(code, 'x');
    EXPECT_EQ(capitalsOf("1.2.3.4.5.6"), QString());
    EXPECT_EQ(capitalsOf("12345.67.89"), QString());
    // Leading zeros do not count toward the range.
    EXPECT_EQ(amountInCapitals(QString(9990, QLatin1Char('0')) + QStringLiteral("5.01")), QStringLiteral("伍元零壹分"));
}
