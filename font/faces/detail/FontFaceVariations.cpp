// The axes of variable faces: FreeType takes the design coordinates; the shapers read them back
// from the face, so that HarfBuzz shapes the instance FreeType renders.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "font/faces/detail/FontFace.h"
#include "font/sources/detail/VariationAxes.h"

#include FT_MULTIPLE_MASTERS_H

namespace Vennicor::Font::Detail {

void FontFace::KeepInstance() {
  const FT_Face ftFace = face.get();
  const VariationAxes axes(ftFace);
  if (!axes) return;
  std::vector<FT_Fixed> coordinates(axes->num_axis);
  if (FT_Get_Var_Design_Coordinates(ftFace, axes->num_axis, coordinates.data()) != 0) return;
  instance.clear();
  for (FT_UInt axis = 0; axis < axes->num_axis; ++axis) {
    const FT_ULong tag = axes->axis[axis].tag;
    instance.push_back(
        {{static_cast<char>((tag >> 24U) & 0xFFU), static_cast<char>((tag >> 16U) & 0xFFU),
          static_cast<char>((tag >> 8U) & 0xFFU), static_cast<char>(tag & 0xFFU)},
         static_cast<float>(static_cast<double>(coordinates[axis]) / 65536.0)});
  }
}

void FontFace::SetVariations(std::span<const FontVariation> asked) {
  // A named instance's coordinates first: the caller's values for an axis win.
  variations = instance;
  variations.insert(variations.end(), asked.begin(), asked.end());
  const std::span<const FontVariation> wanted = variations;
  designCoordinates.clear();
  const FT_Face ftFace = face.get();
  if (wanted.empty()) return;
  const VariationAxes axes(ftFace);
  if (!axes) return;

  std::vector<FT_Fixed> coordinates(axes->num_axis);
  for (FT_UInt axis = 0; axis < axes->num_axis; ++axis) coordinates[axis] = axes->axis[axis].def;
  bool changed = false;
  for (const FontVariation& variation : wanted) {
    if (!std::isfinite(variation.Value)) continue;
    const auto tag = static_cast<FT_ULong>(FT_MAKE_TAG(
        static_cast<unsigned char>(variation.Tag[0]), static_cast<unsigned char>(variation.Tag[1]),
        static_cast<unsigned char>(variation.Tag[2]),
        static_cast<unsigned char>(variation.Tag[3])));
    for (FT_UInt axis = 0; axis < axes->num_axis; ++axis) {
      const FT_Var_Axis& range = axes->axis[axis];
      if (range.tag != tag) continue;
      // Clamped in design units first: 16.16 holds ±32,768, more than any axis's range.
      const double value = std::clamp(static_cast<double>(variation.Value),
                                      static_cast<double>(range.minimum) / 65536.0,
                                      static_cast<double>(range.maximum) / 65536.0);
      coordinates[axis] = static_cast<FT_Fixed>(std::lround(value * 65536.0));
      changed = true;
    }
  }
  if (!changed) return;
  if (FT_Set_Var_Design_Coordinates(ftFace, axes->num_axis, coordinates.data()) != 0) return;
  designCoordinates.reserve(coordinates.size());
  for (const FT_Fixed coordinate : coordinates) {
    designCoordinates.push_back(static_cast<std::int32_t>(coordinate));
  }
}

bool FontFace::HasAxis(const char (&tag)[4]) const {
  const FT_Face ftFace = face.get();
  const VariationAxes axes(ftFace);
  if (!axes) return false;
  const auto wanted = static_cast<FT_ULong>(
      FT_MAKE_TAG(static_cast<unsigned char>(tag[0]), static_cast<unsigned char>(tag[1]),
                  static_cast<unsigned char>(tag[2]), static_cast<unsigned char>(tag[3])));
  return std::any_of(axes->axis, axes->axis + axes->num_axis,
                     [&](const FT_Var_Axis& axis) { return axis.tag == wanted; });
}

}  // namespace Vennicor::Font::Detail
