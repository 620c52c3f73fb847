#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

#include "font/faces/detail/GlyphImage.h"

namespace Vennicor::Font::Detail {

/// The library's own multi-channel signed distance field generator (no Debian package provides
/// one). It follows Viktor Chlumský's master's thesis "Shape Decomposition for Multi-channel
/// Distance Fields" (2015) in three places: the edge colouring, the per-channel
/// pseudo-distance, and the correction of texels whose channels would interpolate to a false
/// edge. Reused from glyph to glyph for its buffers; one thread at a time.
class MultiChannelField {
 public:
  /// Edges (lines and Bézier curves) an outline may have; more is refused.
  static constexpr std::size_t MostEdges = 8192;
  /// Texels times edges (and rows times the points of the flattened outline) a glyph may
  /// cost; more is refused, so that a glyph of a hostile font finishes in bounded time (a few
  /// seconds at worst).
  static constexpr std::uint64_t MostWork = std::uint64_t{1} << 28U;

  /// Renders `outline` (26.6 pixels, y up) into `image` as Field32 texels: R, G, B the three
  /// channels' signed pseudo-distances, A the true signed distance, each 128 on the outline
  /// and 128 / `spread` more per pixel inside. The image is the outline's pixel box grown by
  /// `spread` on every side, placed as FreeType's SDF renderer places its images; an empty
  /// outline gives an empty image. \throws FontException "Error loading glyph in FreeType" for
  /// an outline over MostEdges or MostWork.
  void Render(const FT_Outline& outline, std::int32_t spread, GlyphImage& image);

  struct Point {
    double X = 0;
    double Y = 0;
  };
  struct Edge {
    Point P[4];
    std::int32_t Degree = 1;    // 1 line, 2 quadratic, 3 cubic
    std::uint8_t Channels = 7;  // bit 0 red, 1 green, 2 blue
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
  };

 private:
  struct Contour {
    std::size_t First = 0;
    std::size_t Count = 0;
  };
  void ColourEdges();
  void Winding(double y, double left, std::int32_t width, bool evenOdd);

  std::vector<Edge> edges;
  std::vector<Edge> scratchEdges;
  std::vector<Edge> coloured;
  std::vector<Contour> contours;
  std::vector<Point> polyline;  // flattened contours, for inside tests
  std::vector<std::size_t> polylineStarts;
  std::vector<std::pair<double, int>> crossings;
  std::vector<std::uint8_t> inside;  // one row
  std::vector<float> field;          // 4 floats a texel, texels of distance, inside positive
  std::vector<std::uint8_t> clash;
};

}  // namespace Vennicor::Font::Detail
