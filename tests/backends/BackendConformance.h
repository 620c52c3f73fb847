#pragma once

// The conformance table: every scene of ConformanceScenes.h drawn by a backend and by the
// software device from the same calls. The quads both devices receive must be bit-identical,
// and the pictures must agree pixel by pixel within the scene's tolerance and the backend's
// rule. Each backend's test binary names its backends and instantiates the table with
// VENNICOR_CONFORMANCE_TABLE(Name, backend, ...).

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "backends/ConformanceScenes.h"
#include "graphics/GraphicsDevice.h"

namespace Vennicor::Graphics::Testing {

/// A SceneWidth x SceneHeight target and the device that draws into it.
class BackendTarget {
 public:
  virtual ~BackendTarget() = default;
  virtual GraphicsDevice& Device() = 0;
  virtual void Clear(Color color) = 0;
  /// The target's pixels, row by row from the top.
  virtual std::vector<Color> Pixels() = 0;
};

/// What a backend's picture may do beyond a scene's Tolerance, and what it must still meet.
/// Shares are in thousandths.
struct AgreementRule {
  /// The software device against itself: every pixel must be equal, whatever the scene allows.
  bool Identical = false;
  /// Added to the scene's channel tolerance, for rounding the backend does beyond a GPU's.
  int ExtraTolerance = 0;
  /// False when the target's alpha is nobody's business (a window's surface).
  bool ComparesAlpha = true;
  /// The reference is drawn point-sampled whatever the scene asks: the backend's renderer
  /// samples the nearest texel only.
  bool PointSampledReference = false;
  /// A pixel beyond tolerance may match the reference drawn with the whole scene moved by 1/128
  /// pixel (left, right, up or down), in scenes with sub-pixel edges: at most this share of
  /// the drawn pixels.
  int MaxNudgedShare = 0;
  /// A pixel beyond tolerance may match a reference pixel this many pixels away.
  int Reach = 0;
  /// Of all pixels, at least this share must be within tolerance in place.
  int MinExactShare = 0;
  /// Of the drawn pixels, at most this share may match nothing the rule allows.
  int MaxUnexplainedShare = 0;
};

/// What a backend can draw at all; the table leaves out the scenes that need more.
struct Capabilities {
  bool DistanceFields = true;  ///< ConformanceScene::NeedsDistanceFields
  bool ExactSampling = true;   ///< ConformanceScene::NeedsExactSampling
};

/// A backend the table runs on.
struct Backend {
  std::string Name;
  /// A fresh target; null with `failure` set when the backend cannot start here (a test then
  /// fails with it: CI must not pass without the backend).
  std::function<std::unique_ptr<BackendTarget>(std::string& failure)> Open;
  AgreementRule Rule;
  Capabilities Has;
  /// Why this build cannot run the backend at all (empty: it can); its rows are then skipped
  /// with this reason instead of failing.
  std::string Unavailable = {};
};

inline void PrintTo(const Backend& backend, std::ostream* out) { *out << backend.Name; }

using ConformanceRow = std::tuple<Backend, ConformanceScene>;

/// Every scene for every backend, but the scenes that need what a backend has not.
std::vector<ConformanceRow> ConformanceTable(std::initializer_list<Backend> backends);
/// "<backend>_<scene>".
std::string ConformanceTestName(const ::testing::TestParamInfo<ConformanceRow>& info);
std::string BackendTestName(const ::testing::TestParamInfo<Backend>& info);

/// The software device, drawing into a back buffer of its own.
Backend SoftwareBackend();

/// Runs each row: draws the scene on the backend and on the software device and compares.
class BackendConformance : public ::testing::TestWithParam<ConformanceRow> {};
/// Shows per backend that its rule rejects a picture blended wrongly, and a blank one.
class BackendConformanceRule : public ::testing::TestWithParam<Backend> {};

#define VENNICOR_CONFORMANCE_TABLE(prefix, ...)                                            \
  INSTANTIATE_TEST_SUITE_P(                                                                \
      prefix, BackendConformance,                                                          \
      ::testing::ValuesIn(::Vennicor::Graphics::Testing::ConformanceTable({__VA_ARGS__})), \
      ::Vennicor::Graphics::Testing::ConformanceTestName);                                 \
  INSTANTIATE_TEST_SUITE_P(prefix, BackendConformanceRule, ::testing::Values(__VA_ARGS__), \
                           ::Vennicor::Graphics::Testing::BackendTestName)

}  // namespace Vennicor::Graphics::Testing
