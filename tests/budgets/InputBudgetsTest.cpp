// Time and memory budgets for the worst inputs a player or modder can hand the library: each
// must finish within a bound on its time per input size and on the peak memory it adds, measured
// here on one thread. The bounds are generous (a loaded CI machine, a debug build under
// AddressSanitizer), so that a failure means lost linearity or unbounded memory, not a slow
// machine; they are budgets, not benchmarks.

#include <gtest/gtest.h>

#include <chrono>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/Version.h"
#include "graphics/software/SoftwareGraphicsDevice.h"
#include "tests/support/FixtureFonts.h"
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
#include "font/layout/TextLayout.h"
#endif

namespace Vennicor::Font {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr double SlowBuild = 10;          // a debug build under AddressSanitizer
constexpr bool MemoryMeasurable = false;  // its shadow memory and quarantine swamp the figures
#else
constexpr double SlowBuild = 1;
constexpr bool MemoryMeasurable = true;
#endif

// Peak resident memory since the last reset, in MiB, where the system tells (Linux: resetting
// the high-water mark through /proc/self/clear_refs, then reading VmHWM).
std::optional<double> StatusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024;
  }
  return std::nullopt;
}
// Memory freed by earlier cases goes back to the system first, so that it is not counted as
// already held.
bool ResetPeak() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
  return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5");
}

struct Budget {
  const char* Name;
  double Units;    // the input's size, in the unit the bound is per (code units, texts)
  double Seconds;  // at most this long for the whole input on this machine's build
  double MiB;      // at most this much peak memory on top of what the process held before
  std::function<void()> Run;
};

void PrintTo(const Budget& budget, std::ostream* out) { *out << budget.Name; }

class InputBudgets : public testing::TestWithParam<Budget> {};

TEST_P(InputBudgets, FinishWithinTheirTimeAndMemory) {
  const Budget& budget = GetParam();
  const bool memory = MemoryMeasurable && ResetPeak();
  const std::optional<double> before = StatusMiB("VmRSS:");
  const auto start = std::chrono::steady_clock::now();
  budget.Run();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::optional<double> peak = StatusMiB("VmHWM:");
  std::printf("%s: %.3f s for %.0f units (%.2f us each)", budget.Name, seconds, budget.Units,
              1e6 * seconds / budget.Units);
  EXPECT_LE(seconds, budget.Seconds * SlowBuild);
  if (memory && before && peak) {
    std::printf(", %.1f MiB peak above %.1f MiB\n", *peak - *before, *before);
    EXPECT_LE(*peak - *before, budget.MiB);
  } else {
    std::printf(", memory not measured on this system or build\n");
  }
}

Graphics::Software::SoftwareGraphicsDevice& Device() {
  static Graphics::Software::SoftwareGraphicsDevice device(8, 8);
  return device;
}

void ExpectError(const std::function<void()>& run, const char* message) {
  try {
    run();
    ADD_FAILURE() << "no error";
  } catch (const FontException& error) {
    EXPECT_STREQ(error.what(), message);
  }
}

constexpr std::size_t MiB = std::size_t{1} << 20U;

std::vector<Budget> Budgets() {
  std::vector<Budget> budgets;
  // Rendering it would take minutes and gigabytes: the outline's box refuses it first.
  budgets.push_back(
      {"HugeGlyphBoxes", 1, 1, 32, [] {
         ExpectError(
             [] {
               Font font(Device(), Testing::FixtureFontText("hostile/VennicorHugeBoxes.ttf"), 16);
             },
             Messages::AtlasTooLarge);
       }});
#if VENNICOR_FONT_HAS_TEXT_LAYOUT
  const auto layOut = [](const char* fontFile, std::u16string text, TextLayoutOptions options) {
    Font font(Device(), Testing::FixtureFontText(fontFile), 18);
    const TextLayout layout(font, text, options);
    EXPECT_GT(layout.LineCount(), 0);
  };
  // 30 s before: each cut walked the rest of the word again.
  budgets.push_back({"OneMiBWordWrapped", MiB, 6, 400, [layOut] {
                       layOut("VennicorMetrics.ttf", std::u16string(MiB, u'a'), {.MaxWidth = 300});
                     }});
  // Did not finish in 60 s before: each glyph was tested against every span.
  budgets.push_back({"HundredThousandSpans", 100000, 3, 200, [layOut] {
                       TextLayoutOptions options;
                       for (std::int32_t i = 0; i < 100000; ++i) {
                         options.ColorSpans.push_back({i, 1, Graphics::Color(255, i % 256, 0)});
                       }
                       std::u16string text;
                       for (int i = 0; i < 50000; ++i) text += u"a ";
                       options.MaxWidth = 300;
                       layOut("VennicorMetrics.ttf", text, options);
                     }});
  // Over 60 s inside HarfBuzz before: marks beyond 32 in a row are no longer shaped.
  budgets.push_back({"HundredThousandMarks", 100000, 3, 200, [layOut] {
                       layOut("VennicorMetrics.ttf",
                              std::u16string(1, u'a').append(100000, u'\u0301'), {.MaxWidth = 300});
                     }});
  budgets.push_back({"OneMiBOfLineFeeds", MiB, 10, 600,
                     [layOut] { layOut("VennicorMetrics.ttf", std::u16string(MiB, u'\n'), {}); }});
  budgets.push_back(
      {"SubstitutionExplosion", 1000, 3, 200, [] {
         Font font(Device(), Testing::FixtureFontText("hostile/VennicorExplosion.ttf"), 18);
         ExpectError([&] { const TextLayout layout(font, std::u16string(1000, u'x')); },
                     Messages::TextCannotBeShaped);
       }});
  // 600 distinct texts of 10,000 characters: the caches kept about 250 KB a text before
  // (150 MiB here); bounded by bytes they stay at a few MiB.
  budgets.push_back({"SixHundredDistinctTexts", 600, 60, 48, [] {
                       Font font(Device(), Testing::FixtureFontText("VennicorMetrics.ttf"), 18);
                       std::u16string text(10000, u'a');
                       for (int k = 0; k < 600; ++k) {
                         for (int i = 0; i < 10000; i += 7) {
                           text[static_cast<std::size_t>(i)] =
                               static_cast<char16_t>(u'a' + (k + i) % 26);
                         }
                         text[0] = static_cast<char16_t>(u'A' + k % 26);
                         text[1] = static_cast<char16_t>(u'A' + k / 26 % 26);
                         const TextLayout layout(font, text, {.MaxWidth = 400});
                       }
                     }});
#endif
  return budgets;
}

INSTANTIATE_TEST_SUITE_P(Worst, InputBudgets, testing::ValuesIn(Budgets()),
                         [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
}  // namespace Vennicor::Font
