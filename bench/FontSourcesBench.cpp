// Opening faces: by path, and by name among this machine's installed fonts (fontconfig), where
// every lookup lists the installed fonts afresh and probes candidate files.

#include <benchmark/benchmark.h>

#include <string>

#include "font/FontException.h"
#include "font/sources/FreeTypeManager.h"
#include "font/sources/detail/FaceHandle.h"
#include "font/sources/detail/InstalledFontCandidates.h"
#include "font/text/Utf.h"

namespace {

using Vennicor::Font::FaceHandle;
using Vennicor::Font::FontException;
using Vennicor::Font::FontStyle;
using Vennicor::Font::FreeTypeManager;

constexpr std::u16string_view InstalledFamily = u"DejaVu Sans";

// The file that the lookup picks for DejaVu Sans Bold, to open the same file by path.
std::u16string InstalledBoldPath() {
  for (const auto& candidate : Vennicor::Font::FindInstalledFontCandidates(u"DejaVu Sans Bold")) {
    if (candidate.DisplayName == u"DejaVu Sans Bold") {
      return Vennicor::Font::Utf8ToUtf16(candidate.FilePath);
    }
  }
  return {};
}

void OpenAndClose(benchmark::State& state, std::u16string_view text, FontStyle style) {
  FreeTypeManager manager;
  try {
    FaceHandle(manager.OpenFont(text, style));
  } catch (const FontException& error) {
    state.SkipWithError(error.what());
    return;
  }
  for (auto _ : state) {
    FaceHandle face(manager.OpenFont(text, style));
    benchmark::DoNotOptimize(face.get());
  }
}

void LookupByFamilyNameBold(benchmark::State& state) {
  OpenAndClose(state, InstalledFamily, FontStyle::Bold);
}
BENCHMARK(LookupByFamilyNameBold)->Unit(benchmark::kMicrosecond);

void LookupByFamilyNameRegular(benchmark::State& state) {
  OpenAndClose(state, InstalledFamily, FontStyle::Regular);
}
BENCHMARK(LookupByFamilyNameRegular)->Unit(benchmark::kMicrosecond);

void OpenInstalledFileByPath(benchmark::State& state) {
  const std::u16string path = InstalledBoldPath();
  if (path.empty()) {
    state.SkipWithError("DejaVu Sans Bold is not installed");
    return;
  }
  OpenAndClose(state, path, FontStyle::Bold);
}
BENCHMARK(OpenInstalledFileByPath)->Unit(benchmark::kMicrosecond);

void OpenFixtureByPath(benchmark::State& state) {
  const std::string path = VENNICOR_TEST_DATA "/fonts/VennicorMetrics.ttf";
  OpenAndClose(state, std::u16string(path.begin(), path.end()), FontStyle::Regular);
}
BENCHMARK(OpenFixtureByPath)->Unit(benchmark::kMicrosecond);

// The platform half alone: listing the installed fonts and matching their names.
void ListCandidates(benchmark::State& state) {
  for (auto _ : state) {
    auto candidates = Vennicor::Font::FindInstalledFontCandidates(InstalledFamily);
    benchmark::DoNotOptimize(candidates.data());
  }
}
BENCHMARK(ListCandidates)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
