#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "font/packing/VyrelRectanglePacker.h"

using Vennicor::Font::VyrelRectanglePacker;
using Vennicor::Graphics::Point;

namespace {

std::vector<Point> Slices(const VyrelRectanglePacker& packer) {
  return {packer.HeightSlices().begin(), packer.HeightSlices().end()};
}

// One step of a scripted packing: TryPack(a, b) expecting `placement` (nullopt: refused), or
// IntegrateRectangle(a, b, c). `slices`, when given, is checked after the step.
struct Step {
  enum class Kind { Pack, Integrate } kind;
  std::int32_t a, b, c;
  std::optional<Point> placement;
  std::vector<Point> slices;
};

Step Pack(std::int32_t width, std::int32_t height, std::optional<Point> placement,
          std::vector<Point> slices = {}) {
  return {Step::Kind::Pack, width, height, 0, placement, std::move(slices)};
}

Step Integrate(std::int32_t left, std::int32_t width, std::int32_t bottom,
               std::vector<Point> slices) {
  return {Step::Kind::Integrate, left, width, bottom, std::nullopt, std::move(slices)};
}

Step Refused(std::int32_t width, std::int32_t height, std::vector<Point> slices = {}) {
  return Pack(width, height, std::nullopt, std::move(slices));
}

struct Script {
  std::string name;
  std::int32_t width = 64, height = 64;
  std::vector<Step> steps;
};

std::vector<Step> Repeat(std::int32_t count, std::int32_t width, std::int32_t height,
                         std::int32_t dx, std::int32_t dy) {
  std::vector<Step> steps;
  for (std::int32_t i = 0; i < count; ++i)
    steps.push_back(Pack(width, height, Point{dx * i, dy * i}));
  return steps;
}

std::vector<Script> Scripts() {
  std::vector<Script> scripts;
  scripts.push_back({"NewPackerHasOneSlice", 64, 64, {Refused(65, 1, {{0, 0}})}});
  scripts.push_back({"TooLargeIsRefusedAtTheSizeTest",
                     64,
                     64,
                     {Refused(65, 1, {{0, 0}}), Refused(1, 65, {{0, 0}})}});
  // The last row is never covered, so a rectangle as tall as the area never fits.
  scripts.push_back({"LastRowStaysFree",
                     64,
                     64,
                     {Refused(64, 64, {{0, 0}}), Pack(64, 63, Point{0, 0}, {{0, 63}}),
                      Refused(1, 1, {{0, 63}})}});
  {
    Script s{"FullWidthStripsStackDownToTheLastRow", 64, 64, Repeat(63, 64, 1, 0, 1)};
    s.steps.push_back(Refused(64, 1, {{0, 63}}));
    scripts.push_back(s);
  }
  {
    //  x: 0    10   20   30   40   50   60  64
    //     | 1  | 2  | 3  | 4  | 5  | 6  |   |    X = 60 would end past the edge: not tried
    //     | 7  |
    Script s{"SeventhSquareGoesToTheLeftmostOfEqualCandidates", 64, 64, Repeat(6, 10, 10, 10, 0)};
    s.steps.push_back(Pack(10, 10, Point{0, 10},
                           {{0, 20}, {10, 10}, {20, 10}, {30, 10}, {40, 10}, {50, 10}, {60, 0}}));
    scripts.push_back(s);
  }
  // At X = 32 a 32-wide rectangle would end exactly on the right edge, which only the first
  // candidate may do.
  scripts.push_back({"LaterCandidateMayNotEndOnTheRightEdge",
                     64,
                     64,
                     {Pack(32, 10, Point{0, 0}), Pack(32, 10, Point{0, 10}, {{0, 20}, {32, 0}})}});
  scripts.push_back({"WideRectangleRemovesCoveredSlicesAndRestoresTheFillLine",
                     64,
                     64,
                     {Pack(10, 20, Point{0, 0}, {{0, 20}, {10, 0}}),
                      Pack(10, 30, Point{10, 0}, {{0, 20}, {10, 30}, {20, 0}}),
                      Pack(44, 10, Point{0, 30}, {{0, 40}, {44, 0}})}});
  //  x: 0        20        40  48
  //     +--------+---------+---+
  //     |   A    |   B     | C |      D (20 x 30) cannot take X = 20 at Y = 2: the slice
  //     |        +---------+   |      (40, 10) starts exactly at its right end and counts.
  scripts.push_back(
      {"SliceStartingAtTheRightEndCounts",
       64,
       64,
       {Pack(20, 20, Point{0, 0}), Pack(20, 2, Point{20, 0}), Pack(8, 10, Point{40, 0}),
        Pack(20, 30, Point{20, 10}, {{0, 20}, {20, 40}, {40, 10}, {48, 0}})}});
  scripts.push_back({"IntegrateBetweenSliceStartsSplitsTheSlice",
                     64,
                     64,
                     {Integrate(10, 10, 5, {{0, 0}, {10, 5}, {20, 0}}),
                      Pack(5, 5, Point{0, 0}, {{0, 5}, {5, 0}, {10, 5}, {20, 0}})}});
  scripts.push_back({"FailedSearchChangesNothing",
                     64,
                     64,
                     {Pack(10, 60, Point{0, 0}), Refused(60, 10, {{0, 60}, {10, 0}}),
                      Pack(50, 10, Point{10, 0})}});
  scripts.push_back({"ZeroWidthAreaRefusesEverything", 0, 64, {Refused(1, 1, {{0, 0}})}});
  scripts.push_back({"ZeroHeightAreaRefusesEverything", 64, 0, {Refused(1, 1, {{0, 0}})}});
  scripts.push_back({"NegativeAreaRefusesEverything", -5, -5, {Refused(1, 1, {{0, 0}})}});
  // Only a rectangle as wide as the area covers the last column.
  scripts.push_back(
      {"FullWidthRectangleKeepsItsSliceLast",
       8,
       8,
       {Pack(3, 2, Point{0, 0}), Pack(3, 1, Point{3, 0}), Pack(8, 1, Point{0, 2}, {{0, 3}})}});
  return scripts;
}

void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

class VyrelRectanglePackerScript : public testing::TestWithParam<Script> {};

TEST_P(VyrelRectanglePackerScript, PlacesAndSlicesAsExpected) {
  const Script& script = GetParam();
  VyrelRectanglePacker packer(script.width, script.height);
  EXPECT_EQ(packer.PackingAreaWidth(), script.width);
  EXPECT_EQ(packer.PackingAreaHeight(), script.height);
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const Step& step = script.steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    if (step.kind == Step::Kind::Pack) {
      Point placement{-7, -7};
      const bool packed = packer.TryPack(step.a, step.b, placement);
      EXPECT_EQ(packed, step.placement.has_value());
      EXPECT_EQ(placement, step.placement.value_or(Point{0, 0}));
    } else {
      packer.IntegrateRectangle(step.a, step.b, step.c);
    }
    if (!step.slices.empty()) {
      EXPECT_EQ(Slices(packer), step.slices);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, VyrelRectanglePackerScript, testing::ValuesIn(Scripts()),
                         [](const auto& param) { return param.param.name; });

TEST(VyrelRectanglePacker, SizesBelowOneAreRefusedWithoutChange) {
  constexpr std::int32_t min = std::numeric_limits<std::int32_t>::min();
  const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 5},  {5, 0},   {0, 0},  {-1, 5},
                                                         {5, -1}, {min, 5}, {5, min}};
  VyrelRectanglePacker packer(64, 64);
  Point placement;
  ASSERT_TRUE(packer.TryPack(10, 10, placement));
  const auto before = Slices(packer);
  for (const auto& [width, height] : sizes) {
    placement = Point{3, 3};
    EXPECT_FALSE(packer.TryPack(width, height, placement)) << width << " x " << height;
    EXPECT_EQ(placement, (Point{0, 0}));
    EXPECT_EQ(Slices(packer), before);
  }
}

TEST(VyrelRectanglePacker, IntegrateRefusesColumnsOutsideTheArea) {
  const struct {
    std::int32_t left, width;
  } cases[] = {{-1, 5},
               {0, 0},
               {0, -3},
               {64, 1},
               {60, 5},
               {1, 64},
               {std::numeric_limits<std::int32_t>::max(), 2}};
  VyrelRectanglePacker packer(64, 64);
  packer.IntegrateRectangle(0, 10, 4);
  const auto before = Slices(packer);
  for (const auto& c : cases) {
    EXPECT_THROW(packer.IntegrateRectangle(c.left, c.width, 10), std::invalid_argument)
        << c.left << " + " << c.width;
    EXPECT_EQ(Slices(packer), before);
  }
  packer.IntegrateRectangle(54, 10, 3);  // ending on the right edge is allowed
  EXPECT_EQ(Slices(packer), (std::vector<Point>{{0, 4}, {10, 0}, {54, 3}}));
}

// A bottom above a covered fill line would leave negative free heights behind.
TEST(VyrelRectanglePacker, IntegrateRefusesABottomAboveTheCoveredSlices) {
  VyrelRectanglePacker packer(64, 64);
  packer.IntegrateRectangle(0, 10, 4);
  packer.IntegrateRectangle(10, 10, 8);
  const auto before = Slices(packer);
  const struct {
    std::int32_t left, width, bottom;
  } refused[] = {{0, 10, 3}, {5, 10, 7}, {12, 30, 7}, {0, 64, -1}, {19, 1, 0}};
  for (const auto& c : refused) {
    EXPECT_THROW(packer.IntegrateRectangle(c.left, c.width, c.bottom), std::invalid_argument)
        << c.left << " + " << c.width << " to " << c.bottom;
    EXPECT_EQ(Slices(packer), before);
  }
  // Equal to the highest covered slice is fine, and so is any bottom over empty columns.
  packer.IntegrateRectangle(5, 10, 8);
  packer.IntegrateRectangle(40, 5, 1);
  EXPECT_EQ(Slices(packer),
            (std::vector<Point>{{0, 4}, {5, 8}, {15, 8}, {20, 0}, {40, 1}, {45, 0}}));
}

// Areas whose width x height passes 32 bits: the best height must still start above every
// acceptable height, and right ends must not wrap.
TEST(VyrelRectanglePacker, HugeAreasWork) {
  for (const std::int32_t edge : {46341, 65536, std::numeric_limits<std::int32_t>::max()}) {
    VyrelRectanglePacker packer(edge, edge);
    Point placement;
    EXPECT_TRUE(packer.TryPack(10, 10, placement)) << edge;
    EXPECT_EQ(placement, (Point{0, 0}));
    EXPECT_TRUE(packer.TryPack(10, 10, placement)) << edge;
    EXPECT_EQ(placement, (Point{10, 0}));
  }

  constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
  VyrelRectanglePacker packer(max, 100);
  Point placement;
  ASSERT_TRUE(packer.TryPack(max - 1, 1, placement));
  // A second candidate at X = max - 1 would end far past the right edge: only X = 0 is tried.
  ASSERT_TRUE(packer.TryPack(max - 1, 1, placement));
  EXPECT_EQ(placement, (Point{0, 1}));
  // The free last column is only reachable by a rectangle as wide as the area.
  EXPECT_TRUE(packer.TryPack(1, 97, placement));
  EXPECT_EQ(placement, (Point{0, 2}));
}

TEST(VyrelRectanglePacker, CopiesAreIndependent) {
  static_assert(std::is_copy_constructible_v<VyrelRectanglePacker>);
  VyrelRectanglePacker packer(64, 64);
  Point placement;
  ASSERT_TRUE(packer.TryPack(10, 10, placement));
  VyrelRectanglePacker copy = packer;
  ASSERT_TRUE(copy.TryPack(10, 10, placement));
  EXPECT_EQ(Slices(packer), (std::vector<Point>{{0, 10}, {10, 0}}));
  EXPECT_EQ(Slices(copy), (std::vector<Point>{{0, 10}, {10, 10}, {20, 0}}));
}

// A column-by-column model of the packer: each column's fill line, and the placement rules
// stated over columns instead of slices. The first candidate covers columns [0, w); a later
// candidate at X covers columns [X, X + w] (one more) and needs X + w < the area's width.
class ColumnModel {
 public:
  ColumnModel(std::int32_t width, std::int32_t height)
      : height(height), fill(static_cast<std::size_t>(width), 0) {}

  std::optional<Point> Place(std::int32_t w, std::int32_t h,
                             const std::vector<std::int32_t>& starts) const {
    const auto width = static_cast<std::int32_t>(fill.size());
    if (w < 1 || h < 1 || w > width || h > height) return std::nullopt;
    std::optional<Point> best;
    for (std::size_t s = 0; s < starts.size(); ++s) {
      const std::int32_t x = starts[s];
      const std::int32_t last = s == 0 ? w - 1 : x + w;
      if (last >= width) break;
      const std::int32_t c = *std::max_element(fill.begin() + x, fill.begin() + last + 1);
      if (c + h < height && (!best || c < best->Y)) best = Point{x, c};
    }
    return best;
  }

  void Fill(Point at, std::int32_t w, std::int32_t h) {
    for (std::int32_t x = at.X; x < at.X + w; ++x) fill[static_cast<std::size_t>(x)] = at.Y + h;
  }

  std::int32_t At(std::int32_t x) const { return fill[static_cast<std::size_t>(x)]; }

 private:
  std::int32_t height;
  std::vector<std::int32_t> fill;
};

TEST(VyrelRectanglePacker, RandomSequencesKeepTheInvariants) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const std::int32_t width = std::uniform_int_distribution<std::int32_t>(1, 96)(random);
    const std::int32_t height = std::uniform_int_distribution<std::int32_t>(1, 96)(random);
    const std::int32_t largest = std::uniform_int_distribution<std::int32_t>(1, 40)(random);
    std::uniform_int_distribution<std::int32_t> size(1, largest);
    SCOPED_TRACE("area " + std::to_string(width) + " x " + std::to_string(height));

    VyrelRectanglePacker packer(width, height);
    ColumnModel model(width, height);
    std::vector<int> owner(static_cast<std::size_t>(width * height), -1);
    std::int32_t packed = 0;
    for (int attempt = 0; attempt < 200; ++attempt) {
      const std::int32_t w = size(random);
      const std::int32_t h = size(random);
      std::vector<std::int32_t> starts;
      for (const Point slice : packer.HeightSlices()) starts.push_back(slice.X);
      const auto before = Slices(packer);
      const std::optional<Point> expected = model.Place(w, h, starts);

      Point placement{-1, -1};
      const bool ok = packer.TryPack(w, h, placement);
      ASSERT_EQ(ok, expected.has_value()) << w << " x " << h;
      if (!ok) {
        ASSERT_EQ(placement, (Point{0, 0}));
        ASSERT_EQ(Slices(packer), before);
        continue;
      }
      ASSERT_EQ(placement, *expected) << w << " x " << h;
      ++packed;
      model.Fill(placement, w, h);

      // Inside the area, never on the last row, on the last column only when full width.
      ASSERT_GE(placement.X, 0);
      ASSERT_GE(placement.Y, 0);
      ASSERT_LE(placement.X + w, width);
      ASSERT_LT(placement.Y + h, height);
      if (placement.X + w == width) {
        ASSERT_EQ(w, width);
      }
      for (std::int32_t y = placement.Y; y < placement.Y + h; ++y) {
        for (std::int32_t x = placement.X; x < placement.X + w; ++x) {
          int& cell = owner[static_cast<std::size_t>(y * width + x)];
          ASSERT_EQ(cell, -1) << "overlap at " << x << ", " << y;
          cell = attempt;
        }
      }

      // The slices: first at 0, strictly increasing X inside the area, heights inside it, at
      // most one more than the rectangles, and describing exactly the model's fill lines.
      const auto slices = packer.HeightSlices();
      ASSERT_FALSE(slices.empty());
      ASSERT_EQ(slices.front().X, 0);
      ASSERT_LE(slices.size(), static_cast<std::size_t>(packed) + 1);
      for (std::size_t i = 0; i < slices.size(); ++i) {
        ASSERT_LT(slices[i].X, width);
        ASSERT_GE(slices[i].Y, 0);
        ASSERT_LT(slices[i].Y, height);
        if (i > 0) {
          ASSERT_LT(slices[i - 1].X, slices[i].X);
        }
        const std::int32_t end = i + 1 < slices.size() ? slices[i + 1].X : width;
        for (std::int32_t x = slices[i].X; x < end; ++x) ASSERT_EQ(model.At(x), slices[i].Y);
      }
    }
  }
}

}  // namespace
