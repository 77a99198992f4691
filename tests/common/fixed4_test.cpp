#include "common/numbertext.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Fixed4Case {
    double value;
    double expected;
};

class Fixed4Test : public testing::TestWithParam<Fixed4Case> {};

// The four-decimal rounding of footer sums and the change: values near a half of the fourth
// decimal round as their 15-digit decimal text does (halves away from zero), others as the
// plain scaled value does; both must give exactly the double of the decimal result.
TEST_P(Fixed4Test, RoundsToFourDecimals)
{
    EXPECT_EQ(numbertext::fixed4(GetParam().value), GetParam().expected) << GetParam().value;
    EXPECT_EQ(numbertext::fixed4Units(GetParam().value), std::llround(GetParam().expected * 10000.0)) << GetParam().value;
}

// The count of ten-thousandths the sums add up agrees with fixed4 over prices, amounts and
// quantities of every size, including the ones that end in a half of the fourth decimal.
TEST(Fixed4Units, AgreesWithFixed4)
{
    for (double step : {0.00005, 0.001, 0.01, 0.5, 1.0, 3.33, 1234.5678}) {
        for (int i = -3000; i <= 3000; ++i) {
            const double value = i * step;
            ASSERT_EQ(numbertext::fixed4Units(value), std::llround(numbertext::fixed4(value) * 10000.0)) << value;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, Fixed4Test,
    testing::Values(Fixed4Case{0.1 + 0.2, 0.3}, Fixed4Case{355.123, 355.123}, Fixed4Case{123.456789, 123.4568},
                    Fixed4Case{-123.456789, -123.4568}, Fixed4Case{1.23455, 1.2346}, Fixed4Case{-1.23455, -1.2346},
                    Fixed4Case{2.00005, 2.0001}, Fixed4Case{0.00005, 0.0001}, Fixed4Case{0.0000499, 0},
                    Fixed4Case{100 - 90.15, 9.85}, Fixed4Case{9999999.99995, 10000000},
                    Fixed4Case{12345678.123456, 12345678.1235}, Fixed4Case{0.99995, 1}));

} // namespace
