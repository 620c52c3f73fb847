// vennicor-text's command line: arguments split at null bytes. Parsing either refuses with a
// UsageError or gives options within the limits the tool promises.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/vennicor-text/CommandLine.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back() += static_cast<char>(data[i]);
    }
  }
  try {
    const VennicorText::Options options = VennicorText::ParseCommandLine(arguments);
    Require(std::isfinite(options.Size) && options.Size > 0 && options.Size <= 1000);
    Require(std::isfinite(options.RotationDegrees));
    Require(std::isfinite(options.Scale.X) && std::isfinite(options.Scale.Y));
    Require(std::isfinite(options.Origin.X) && std::isfinite(options.Origin.Y));
    if (options.Position) {
      Require(std::isfinite(options.Position->X) && std::isfinite(options.Position->Y));
    }
    if (options.ImageSize) {
      Require(options.ImageSize->X >= 1 && options.ImageSize->X <= 16384);
      Require(options.ImageSize->Y >= 1 && options.ImageSize->Y <= 16384);
    }
    Require(options.Margin >= 0 && options.Margin <= 4096);
  } catch (const VennicorText::UsageError&) {
  }
  return 0;
}
