#include "common/errors.h"
#include "common/numbertext.h"
#include "support/printers.h"

#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

struct GeneralCase {
    double value;
    const char *text;
};

TEST(NumberText, GeneralTextRoundsTo15DigitsAndPicksNotation)
{
    const GeneralCase cases[] = {
        {0.1 * 3, "0.3"},
        {100 - 90.15, "9.84999999999999"},
        {0.0, "0"},
        {-0.0, "0"},
        {2.5, "2.5"},
        {-2.5, "-2.5"},
        {40, "40"},
        {31.5, "31.5"},
        {123456789012345.0, "123456789012345"},  // 15 integer digits: still fixed
        {1234567890123456.0, "1.23456789012346E15"},
        {1e20, "1E20"},
        {-1e20, "-1E20"},
        {1e-6, "1E-6"},
        {0.00001, "0.00001"},  // the smallest magnitude still written in fixed notation
        {0.0000123, "0.0000123"},
        {0.000009, "9E-6"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {999999999999999.9, "1E15"},  // rounding to 15 digits carries into a 16th integer digit
    };
    for (const auto &c : cases)
        EXPECT_EQ(numbertext::general(c.value), QString::fromLatin1(c.text)) << c.value;
}

struct FormatCase {
    double value;
    const char *pattern;
    const char *text;
};

TEST(NumberText, DisplayPatterns)
{
    const FormatCase cases[] = {
        {3, "#0.###", "3"},           {2.5, "#0.###", "2.5"},       {1.23456, "#0.###", "1.235"},
        {0.0004, "#0.###", "0"},      {-0.0004, "#0.###", "0"},     {-1.5, "#0.###", "-1.5"},
        {0.3, "#0.##", "0.3"},        {2.675, "#0.##", "2.68"},     {1e20, "#0.##", "100000000000000000000"},
        {9.995, "#0.##", "10"},       {0, "0.00", "0.00"},          {3, "0.00", "3.00"},
        {-2.004, "0.00", "-2.00"},    {19, "0.00", "19.00"},        {100 - 90.15, "0.00", "9.85"},
        {-0.001, "0.00", "0.00"},
        // Thousands grouping, as the chart marks and labels use it.
        {12, "#,##0.###", "12"},      {999.5, "#,##0.###", "999.5"}, {1000, "#,##0.###", "1,000"},
        {-1234567.891, "#,##0.###", "-1,234,567.891"},               {999999.9996, "#,##0.###", "1,000,000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(numbertext::format(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.text))
            << c.value << " " << c.pattern;
}

TEST(NumberText, FixedFourDecimalsMakesChangeExact)
{
    EXPECT_EQ(numbertext::general(numbertext::fixed4(numbertext::fixed4(100) - numbertext::fixed4(90.15))), QStringLiteral("9.85"));
    EXPECT_DOUBLE_EQ(numbertext::fixed4(1.23456), 1.2346);
    EXPECT_DOUBLE_EQ(numbertext::fixed4(-1.23455), -1.2346);
    EXPECT_DOUBLE_EQ(numbertext::fixed4(0), 0);
}

TEST(NumberText, HalvesRoundToEven)
{
    const std::pair<double, long long> cases[] = {{4.5, 4}, {5.5, 6}, {5.4, 5}, {2.5, 2}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}};
    for (const auto &[value, rounded] : cases)
        EXPECT_EQ(numbertext::roundHalfEven(value), rounded) << value;
}

TEST(NumberText, ParseAcceptsPlainDecimals)
{
    const std::pair<const char *, double> cases[] = {
        {"0", 0}, {"12", 12}, {" 12.5 ", 12.5}, {"-3", -3}, {".5", 0.5}, {"5.", 5}, {"1e3", 1000}, {"+2", 2},
        {"25.5", 25.5}, {"-0.125E+2", -12.5}, {"1e-310", 1e-310}, {"1e-400", 0}};
    for (const auto &[text, value] : cases)
        EXPECT_DOUBLE_EQ(numbertext::parse(QString::fromLatin1(text)), value) << text;
    // Too small for a double is zero, however it is written; too large is refused (below).
    EXPECT_EQ(numbertext::parse(QStringLiteral("0.") + QString(400, QLatin1Char('0')) + QStringLiteral("1")), 0.0);
    EXPECT_THROW(numbertext::parse(QStringLiteral("1") + QString(400, QLatin1Char('0'))), ConversionError);
}

TEST(NumberText, ParseRejectsWhatIsNotANumberAndNamesIt)
{
    for (const char *bad :
         {"", " ", ".", "1..2", "abc", "12a", "1.2.3", "-", "1e", "１２", "1,5", "nan", "inf", "1e400", "-1e400"}) {
        const QString text = QString::fromUtf8(bad);
        try {
            numbertext::parse(text);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const ConversionError &e) {
            EXPECT_TRUE(e.text().contains(QLatin1Char('\'') + text + QLatin1Char('\''))) << e.text().toStdString();
        }
    }
}

// The number tests run a second time with LC_ALL set to a decimal-comma locale (see
// CMakeLists.txt), where the C library writes 2.5 as "2,5". That run is only worth something if
// the locale was really in force.
TEST(NumberTextUnderDecimalComma, TheCLibraryReallyWritesADecimalComma)
{
    if (qEnvironmentVariableIsEmpty("TOLVANE_DECIMAL_COMMA_RUN"))
        GTEST_SKIP() << "checked in the decimal-comma run only";
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr)
        << "the locale " << qgetenv("LC_ALL").constData() << " is not installed (scripts/install-deps makes it)";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 2.5);
    EXPECT_STREQ(text, "2,5");
}

} // namespace
