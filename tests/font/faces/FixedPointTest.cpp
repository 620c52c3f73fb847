#include <gtest/gtest.h>

#include <cstdint>

#include "font/faces/detail/FixedPoint.h"

namespace {

using namespace Vennicor::Font::Detail;

// Each row tells the four conversions apart: halves, negative values, and values past float's
// 24 bits (Exact) or past 32 bits (FreeType's long positions on Linux).
TEST(Pixels26Dot6, EachConversionRoundsItsOwnWay) {
  struct Case {
    std::int64_t Value;
    float Exact;  // rows within 32 bits only
    std::int64_t Truncated, Rounded, Floored;
  };
  constexpr std::int64_t Large = (std::int64_t{1} << 30) + 32;  // 16777216.5 px
  constexpr std::int64_t Huge = (std::int64_t{1} << 40) + 32;
  const Case cases[] = {
      {0, 0, 0, 0, 0},
      {31, 0.484375F, 0, 0, 0},
      {32, 0.5F, 0, 1, 0},
      {95, 1.484375F, 1, 1, 1},
      {96, 1.5F, 1, 2, 1},
      {-1, -0.015625F, 0, 0, -1},
      {-32, -0.5F, 0, -1, -1},
      {-95, -1.484375F, -1, -1, -2},
      {-96, -1.5F, -1, -2, -2},
      {Large, 16777216.0F, 16777216, 16777217, 16777216},
      {-Large, -16777216.0F, -16777216, -16777217, -16777217},
      {Huge, 0, std::int64_t{1} << 34, (std::int64_t{1} << 34) + 1, std::int64_t{1} << 34},
      {-Huge, 0, -(std::int64_t{1} << 34), -(std::int64_t{1} << 34) - 1,
       -(std::int64_t{1} << 34) - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(Pixels26Dot6Truncated(c.Value), c.Truncated);
    EXPECT_EQ(Pixels26Dot6Rounded(c.Value), c.Rounded);
    EXPECT_EQ(Pixels26Dot6Floored(c.Value), c.Floored);
    const auto narrow = static_cast<std::int32_t>(c.Value);
    if (narrow != c.Value) continue;
    EXPECT_EQ(Pixels26Dot6Exact(narrow), c.Exact);
    EXPECT_EQ(Pixels26Dot6Truncated(narrow), c.Truncated);
    EXPECT_EQ(Pixels26Dot6Rounded(narrow), c.Rounded);
    EXPECT_EQ(Pixels26Dot6Floored(narrow), c.Floored);
  }
}

}  // namespace
