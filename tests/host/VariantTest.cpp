#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "base/Error.h"
#include "host/Variant.h"

namespace ostravel::host {
namespace {

// The number of the error `convert` raises, or nullopt when it converts.
template <class Convert>
std::optional<std::int32_t> ErrorOf(Convert convert) {
  try {
    convert();
  } catch (const Error& error) {
    return error.Number();
  }
  return std::nullopt;
}

TEST(VariantLimitsTest, LongsHoldExactlyTheThirtyTwoBitRange) {
  const std::pair<Variant, std::optional<std::int32_t>> cases[] = {
      // nullopt: overflow (6)
      {Variant{std::int64_t{2147483647}}, 2147483647},
      {Variant{std::int64_t{-2147483648}}, -2147483647 - 1},
      {Variant{std::int64_t{2147483648}}, std::nullopt},
      {Variant{std::int64_t{-2147483649}}, std::nullopt},
      {Variant{2147483647.4}, 2147483647},
      {Variant{2147483647.5}, std::nullopt},      // rounds up to 2^31
      {Variant{-2147483648.5}, -2147483647 - 1},  // half to even
      {Variant{-2147483649.0}, std::nullopt},
      {Variant{std::string("-2147483648")}, -2147483647 - 1},
      {Variant{std::string("2147483648")}, std::nullopt}};
  for (const auto& [value, converted] : cases) {
    if (converted) {
      EXPECT_EQ(ToLong(value), *converted) << ToText(value);
    } else {
      EXPECT_EQ(ErrorOf([&] { ToLong(value); }), 6) << ToText(value);
    }
  }
}

TEST(VariantTest, ConvertsLikeTheHostsScriptingRuntime) {
  EXPECT_EQ(ToText(Variant{}), "");
  EXPECT_EQ(ToText(Variant{true}), "True");
  EXPECT_EQ(ToText(Variant{std::int64_t{-5}}), "-5");
  EXPECT_EQ(ToText(Variant{2.5}), "2.5");
  EXPECT_EQ(ToLong(Variant{std::string("12")}), 12);
  EXPECT_EQ(ToLong(Variant{2.5}), 2);  // half to even
  EXPECT_EQ(ToLong(Variant{3.5}), 4);
  EXPECT_EQ(ToLong(Variant{true}), -1);
  EXPECT_EQ(ToDouble(Variant{std::string(" 1.5 ")}), 1.5);
  EXPECT_EQ(ToDouble(Variant{true}), -1.0);
  for (const char* text : {"true", "-1", "0.5"})
    EXPECT_TRUE(ToBool(Variant{std::string(text)})) << text;
  for (const char* text : {"False", "0", "0.0"})
    EXPECT_FALSE(ToBool(Variant{std::string(text)})) << text;
  EXPECT_FALSE(ToBool(Variant{}));
  EXPECT_TRUE(ToBool(Variant{std::int64_t{2}}));
  // Text that is no number is a type mismatch.
  EXPECT_EQ(ErrorOf([] { ToLong(Variant{std::string("ten")}); }), 13);
  EXPECT_EQ(ErrorOf([] { ToDouble(Variant{std::string("1,5")}); }), 13);
  EXPECT_EQ(ErrorOf([] { ToBool(Variant{std::string("yes")}); }), 13);
}

}  // namespace
}  // namespace ostravel::host
