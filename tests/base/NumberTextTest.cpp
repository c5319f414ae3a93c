#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/NumberText.h"

namespace ostravel {
namespace {

TEST(NumberTextTest, DoublesInTheDefaultTextForm) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},         {-0.0, "0"},
      {4096.0, "4096"},   {-12.5, "-12.5"},
      {1e15, "1E+15"},    {999999999999999.0, "999999999999999"},
      {0.1 + 0.2, "0.3"}, {0.0001, "0.0001"},
      {0.00001, "1E-05"}, {123456789012345678.0, "1.23456789012346E+17"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(DoubleText(value), text) << text;
}

TEST(NumberTextTest, EveryWrittenDoubleReadsBackToItsFifteenDigitsAndOnlyDecimalsAreRead) {
  const double largest = std::numeric_limits<double>::max();
  for (const double value :
       {largest, -largest, std::nextafter(largest, 0.0), 1.79769313486231E+308,
        1.797693134862315E+308, std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(), -123456789.123456789, 1e300, 0.1}) {
    const std::string text = DoubleText(value);
    const auto back = ParseDecimal(text);
    ASSERT_TRUE(back.has_value()) << text;
    // Within the rounding to 15 significant digits (half a unit of the 15th digit).
    EXPECT_LE(std::fabs(*back - value), std::fabs(value) * 5e-15) << text;
  }
  EXPECT_EQ(DoubleText(largest), "1.79769313486231E+308");
  EXPECT_EQ(DoubleText(-largest), "-1.79769313486231E+308");
  // Only decimals are read.
  EXPECT_EQ(ParseDecimal(" 42 "), 42.0);
  EXPECT_EQ(ParseDecimal("+1.5e2"), 150.0);
  EXPECT_EQ(ParseDecimal("-7"), -7.0);
  for (const char* text : {"", " ", "abc", "1x", "nan", "inf", "0x10", "1 2"}) {
    EXPECT_FALSE(ParseDecimal(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace ostravel
