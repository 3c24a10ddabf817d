#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace platecam {
namespace {

TEST(FormatNumber, FixedAndScientificForms) {
    EXPECT_EQ(FormatNumber(0.0), "0");
    EXPECT_EQ(FormatNumber(-0.0), "0");
    EXPECT_EQ(FormatNumber(45), "45");
    EXPECT_EQ(FormatNumber(360), "360");
    EXPECT_EQ(FormatNumber(12.5), "12.5");
    EXPECT_EQ(FormatNumber(-30.25), "-30.25");
    EXPECT_EQ(FormatNumber(0.0001), "0.0001");
    EXPECT_EQ(FormatNumber(0.00001), "1E-5");
    EXPECT_EQ(FormatNumber(1e15), "1E15");
    EXPECT_EQ(FormatNumber(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatNumber(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FormatNumber(2.7554552980815448e-15), "2.75545529808154E-15");
    EXPECT_EQ(FormatNumber(0.30000000000000004), "0.3");
    EXPECT_EQ(FormatNumber(-1.5e-7), "-1.5E-7");
    EXPECT_EQ(FormatNumber(12.5, ','), "12,5");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatNumber(std::nan("")), "NAN");
}

TEST(FormatNumber, HalvesGoAwayFromZeroOnTheExactValue) {
    // 1234567890123455 is exact in binary: a true half at the 15th digit.
    EXPECT_EQ(FormatNumber(1234567890123455.0), "1.23456789012346E15");
    EXPECT_EQ(FormatNumber(-1234567890123455.0), "-1.23456789012346E15");
    // 0.1234567890123455 lies below its decimal text in binary: it rounds down.
    EXPECT_EQ(FormatNumber(0.1234567890123455), "0.123456789012345");
    EXPECT_EQ(FormatNumber(999999999999999.5), "1E15") << "rounding carries into the exponent";
    EXPECT_EQ(FormatNumber(99.99999999999999), "100");
}

TEST(LabelText, FiveDigitsAndItsFixedRange) {
    EXPECT_EQ(LabelText(360), "360");
    EXPECT_EQ(LabelText(12.34567), "12.346");
    EXPECT_EQ(LabelText(0.000123456), "0.00012346");
    EXPECT_EQ(LabelText(123456), "1.2346E5");
    EXPECT_EQ(LabelText(-0.0000012), "-1.2E-6");
    EXPECT_EQ(LabelText(-1.2e-15), "-1.2E-15");
    EXPECT_EQ(LabelText(99999), "99999");
    EXPECT_EQ(LabelText(17.62053), "17.621");
    EXPECT_EQ(LabelText(0), "0");
}

}  // namespace
}  // namespace platecam
