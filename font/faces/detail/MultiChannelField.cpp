// The library's own multi-channel signed distance field generator: no Debian package provides
// one. It follows Viktor Chlumský's master's thesis "Shape Decomposition for Multi-channel
// Distance Fields" (2015):
// - edge colouring: a corner is where the outline's direction turns by more than a threshold;
//   the edges between two corners share a colour, and the colours change at each corner so that
//   a corner's two edges share exactly one channel. A contour without corners is white (all
//   channels), one with a single corner (a teardrop) is split into three coloured parts;
// - each channel is the signed pseudo-distance to the nearest edge of that channel (beyond an
//   edge's ends the distance to its tangent line), with the sign of the true distance to it;
//   the median of the three then keeps corners sharp;
// - error correction: a texel whose channels would interpolate against a neighbour to an edge
//   the true distance says is not there (a clash) becomes the median of its channels.
// The code is this library's own.
#include "font/faces/detail/MultiChannelField.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "font/FontException.h"

namespace Vennicor::Font::Detail {

namespace {

using Point = MultiChannelField::Point;
using Edge = MultiChannelField::Edge;

constexpr std::uint8_t Red = 1;
constexpr std::uint8_t Green = 2;
constexpr std::uint8_t Blue = 4;
constexpr std::uint8_t White = Red | Green | Blue;
constexpr std::uint8_t Yellow = Red | Green;
constexpr std::uint8_t Magenta = Red | Blue;
constexpr std::uint8_t Cyan = Green | Blue;

// A direction that turns by more than this (its sine) makes a corner. Hinting and 26.6 rounding
// bend smooth joins by far less.
const double CornerSine = std::sin(10.0 * 3.14159265358979323846 / 180.0);

Point operator-(Point a, Point b) { return {a.X - b.X, a.Y - b.Y}; }
Point operator+(Point a, Point b) { return {a.X + b.X, a.Y + b.Y}; }
Point operator*(double s, Point a) { return {s * a.X, s * a.Y}; }
double Dot(Point a, Point b) { return a.X * b.X + a.Y * b.Y; }
double Cross(Point a, Point b) { return a.X * b.Y - a.Y * b.X; }
Point Normalized(Point a) {
  const double length = std::sqrt(Dot(a, a));
  return length > 0 ? Point{a.X / length, a.Y / length} : Point{0, 0};
}

Point PointAt(const Edge& e, double t) {
  const double s = 1 - t;
  switch (e.Degree) {
    case 1:
      return s * e.P[0] + t * e.P[1];
    case 2:
      return (s * s) * e.P[0] + (2 * s * t) * e.P[1] + (t * t) * e.P[2];
    default:
      return (s * s * s) * e.P[0] + (3 * s * s * t) * e.P[1] + (3 * s * t * t) * e.P[2] +
             (t * t * t) * e.P[3];
  }
}

Point DirectionAt(const Edge& e, double t) {
  const double s = 1 - t;
  Point d;
  switch (e.Degree) {
    case 1:
      d = e.P[1] - e.P[0];
      break;
    case 2:
      d = (2 * s) * (e.P[1] - e.P[0]) + (2 * t) * (e.P[2] - e.P[1]);
      break;
    default:
      d = (3 * s * s) * (e.P[1] - e.P[0]) + (6 * s * t) * (e.P[2] - e.P[1]) +
          (3 * t * t) * (e.P[3] - e.P[2]);
      break;
  }
  // A control point on an end point leaves the tangent to the next one.
  if (Dot(d, d) == 0) d = e.P[e.Degree] - e.P[0];
  return d;
}

Point StartDirection(const Edge& e) {
  for (std::int32_t k = 1; k <= e.Degree; ++k) {
    const Point d = e.P[k] - e.P[0];
    if (Dot(d, d) > 0) return d;
  }
  return {0, 0};
}

Point EndDirection(const Edge& e) {
  for (std::int32_t k = e.Degree - 1; k >= 0; --k) {
    const Point d = e.P[e.Degree] - e.P[k];
    if (Dot(d, d) > 0) return d;
  }
  return {0, 0};
}

void SetBounds(Edge& e) {
  e.MinX = e.MaxX = e.P[0].X;
  e.MinY = e.MaxY = e.P[0].Y;
  for (std::int32_t k = 1; k <= e.Degree; ++k) {
    e.MinX = std::min(e.MinX, e.P[k].X);
    e.MaxX = std::max(e.MaxX, e.P[k].X);
    e.MinY = std::min(e.MinY, e.P[k].Y);
    e.MaxY = std::max(e.MaxY, e.P[k].Y);
  }
}

// The part of `e` from `t0` to `t1` (de Casteljau).
Edge Part(const Edge& e, double t0, double t1) {
  const auto splitAt = [](const Edge& whole, double t, bool keepEnd) {
    std::array<Point, 4> p{whole.P[0], whole.P[1], whole.P[2], whole.P[3]};
    std::array<Point, 4> first{};
    std::array<Point, 4> last{};
    const std::int32_t n = whole.Degree;
    for (std::int32_t level = 0; level <= n; ++level) {
      first[static_cast<std::size_t>(level)] = p[0];
      last[static_cast<std::size_t>(n - level)] = p[static_cast<std::size_t>(n - level)];
      for (std::int32_t k = 0; k < n - level; ++k) {
        const auto i = static_cast<std::size_t>(k);
        p[i] = (1 - t) * p[i] + t * p[i + 1];
      }
    }
    Edge out = whole;
    for (std::size_t k = 0; k < 4; ++k) out.P[k] = keepEnd ? last[k] : first[k];
    return out;
  };
  Edge tail = t0 > 0 ? splitAt(e, t0, true) : e;
  Edge part = t1 < 1 ? splitAt(tail, (t1 - t0) / (1 - t0), false) : tail;
  SetBounds(part);
  return part;
}

// Real roots of a t^3 + b t^2 + c t + d in [0, 1]; returns how many.
std::int32_t RootsInUnit(double a, double b, double c, double d, std::array<double, 3>& roots) {
  std::int32_t count = 0;
  const auto keep = [&](double t) {
    if (t >= 0 && t <= 1) roots[static_cast<std::size_t>(count++)] = t;
  };
  const double scale = std::max({std::abs(b), std::abs(c), std::abs(d)});
  if (std::abs(a) <= 1e-12 * scale) {
    if (std::abs(b) <= 1e-12 * std::max(std::abs(c), std::abs(d))) {
      if (c != 0) keep(-d / c);
      return count;
    }
    const double disc = c * c - 4 * b * d;
    if (disc < 0) return count;
    const double root = std::sqrt(disc);
    keep((-c + root) / (2 * b));
    keep((-c - root) / (2 * b));
    return count;
  }
  // Depressed cubic x^3 + p x + q with t = x - b / 3a.
  const double bn = b / a;
  const double cn = c / a;
  const double dn = d / a;
  const double shift = bn / 3;
  const double p = cn - bn * bn / 3;
  const double q = 2 * bn * bn * bn / 27 - bn * cn / 3 + dn;
  const double disc = q * q / 4 + p * p * p / 27;
  if (disc > 0) {
    const double root = std::sqrt(disc);
    keep(std::cbrt(-q / 2 + root) + std::cbrt(-q / 2 - root) - shift);
  } else if (p == 0) {
    keep(-shift);
  } else {
    const double r = std::sqrt(-p / 3);
    const double phi = std::acos(std::clamp(-q / (2 * r * r * r), -1.0, 1.0));
    for (std::int32_t k = 0; k < 3; ++k) {
      keep(2 * r * std::cos((phi + 2 * 3.14159265358979323846 * k) / 3) - shift);
    }
  }
  return count;
}

// The parameter of the point of `e` nearest `p`, and the squared distance to it.
double Nearest(const Edge& e, Point p, double& nearestT) {
  double best = std::numeric_limits<double>::infinity();
  const auto consider = [&](double t) {
    const Point v = PointAt(e, t) - p;
    const double d = Dot(v, v);
    if (d < best) {
      best = d;
      nearestT = t;
    }
  };
  if (e.Degree == 1) {
    const Point ab = e.P[1] - e.P[0];
    const double length = Dot(ab, ab);
    consider(length > 0 ? std::clamp(Dot(p - e.P[0], ab) / length, 0.0, 1.0) : 0.0);
    return best;
  }
  consider(0);
  consider(1);
  if (e.Degree == 2) {
    const Point a = e.P[1] - e.P[0];
    const Point b = e.P[2] - 2 * e.P[1] + e.P[0];
    const Point w = e.P[0] - p;
    std::array<double, 3> roots{};
    const std::int32_t n =
        RootsInUnit(Dot(b, b), 3 * Dot(a, b), 2 * Dot(a, a) + Dot(b, w), Dot(a, w), roots);
    for (std::int32_t k = 0; k < n; ++k) consider(roots[static_cast<std::size_t>(k)]);
    return best;
  }
  // Cubics: the best of a few samples, refined by Newton's method on (B - p) . B'.
  constexpr std::int32_t Samples = 8;
  double start = 0;
  double sampled = std::numeric_limits<double>::infinity();
  for (std::int32_t k = 0; k <= Samples; ++k) {
    const double t = static_cast<double>(k) / Samples;
    const Point v = PointAt(e, t) - p;
    if (Dot(v, v) < sampled) {
      sampled = Dot(v, v);
      start = t;
    }
  }
  double t = start;
  for (std::int32_t step = 0; step < 5; ++step) {
    const double s = 1 - t;
    const Point v = PointAt(e, t) - p;
    const Point d1 = DirectionAt(e, t);
    const Point d2 =
        (6 * s) * (e.P[2] - 2 * e.P[1] + e.P[0]) + (6 * t) * (e.P[3] - 2 * e.P[2] + e.P[1]);
    const double f = Dot(v, d1);
    const double df = Dot(d1, d1) + Dot(v, d2);
    if (df == 0) break;
    t = std::clamp(t - f / df, 0.0, 1.0);
  }
  consider(t);
  return best;
}

// How far across the edge `p` lies from the point at `t`: |sin| of the angle between the edge's
// direction there and the way to `p`. Of two edges equally near (a shared end point), the one
// `p` lies more squarely across from is the nearer.
double Orthogonality(const Edge& e, double t, Point p) {
  return std::abs(Cross(Normalized(DirectionAt(e, t)), Normalized(p - PointAt(e, t))));
}

struct Candidate {
  const Edge* E = nullptr;
  double Squared = std::numeric_limits<double>::infinity();
  double T = 0;
  double Ortho = 0;
};

bool Nearer(double squared, double ortho, const Candidate& than) {
  const double tolerance = 1e-9 * (1 + than.Squared);
  if (squared < than.Squared - tolerance) return true;
  return squared <= than.Squared + tolerance && ortho > than.Ortho;
}

// Signed (inside positive, `fill` the outline's orientation) pseudo-distance of `p` to the
// candidate's edge: beyond an end the distance to the end's tangent line.
double PseudoDistance(const Candidate& c, Point p, double fill) {
  const Edge& e = *c.E;
  const Point at = PointAt(e, c.T);
  const Point direction = Normalized(DirectionAt(e, c.T));
  const Point away = p - at;
  const double distance = std::sqrt(c.Squared);
  const double sign = fill * Cross(direction, away) >= 0 ? 1.0 : -1.0;
  if (c.T <= 0 || c.T >= 1) {
    const Point end = Normalized(c.T <= 0 ? StartDirection(e) : EndDirection(e));
    const double along = Dot(end, away);
    if ((c.T <= 0 && along < 0) || (c.T >= 1 && along > 0)) {
      const double across = fill * Cross(end, away);
      if (std::abs(across) <= distance) return across;
    }
  }
  return sign * distance;
}

struct Decomposition {
  std::vector<Edge>* Edges;
  std::vector<std::size_t>* ContourStarts;
  Point Last;
  bool TooMany = false;
};

Point FromVector(const FT_Vector* v) {
  return {static_cast<double>(v->x) / 64.0, static_cast<double>(v->y) / 64.0};
}

void Add(Decomposition& d, Edge e) {
  bool degenerate = true;
  for (std::int32_t k = 1; k <= e.Degree; ++k) {
    degenerate = degenerate && e.P[k].X == e.P[0].X && e.P[k].Y == e.P[0].Y;
  }
  d.Last = e.P[e.Degree];
  if (degenerate) return;
  if (d.Edges->size() >= MultiChannelField::MostEdges) {
    d.TooMany = true;
    return;
  }
  SetBounds(e);
  d.Edges->push_back(e);
}

int MoveTo(const FT_Vector* to, void* user) {
  auto& d = *static_cast<Decomposition*>(user);
  d.ContourStarts->push_back(d.Edges->size());
  d.Last = FromVector(to);
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  auto& d = *static_cast<Decomposition*>(user);
  Edge e;
  e.Degree = 1;
  e.P[0] = d.Last;
  e.P[1] = FromVector(to);
  Add(d, e);
  return d.TooMany ? 1 : 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto& d = *static_cast<Decomposition*>(user);
  Edge e;
  e.Degree = 2;
  e.P[0] = d.Last;
  e.P[1] = FromVector(control);
  e.P[2] = FromVector(to);
  Add(d, e);
  return d.TooMany ? 1 : 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  auto& d = *static_cast<Decomposition*>(user);
  Edge e;
  e.Degree = 3;
  e.P[0] = d.Last;
  e.P[1] = FromVector(control1);
  e.P[2] = FromVector(control2);
  e.P[3] = FromVector(to);
  Add(d, e);
  return d.TooMany ? 1 : 0;
}

bool IsCorner(Point incoming, Point outgoing) {
  const Point a = Normalized(incoming);
  const Point b = Normalized(outgoing);
  return Dot(a, b) <= 0 || std::abs(Cross(a, b)) > CornerSine;
}

// The colour after `current` at a corner, never `avoid` (the first spline's, for the last).
std::uint8_t NextColour(std::uint8_t current, std::uint8_t avoid) {
  constexpr std::array<std::uint8_t, 3> cycle{Cyan, Magenta, Yellow};
  for (std::size_t k = 0; k < cycle.size(); ++k) {
    if (cycle[k] != current) continue;
    const std::uint8_t next = cycle[(k + 1) % 3];
    return next != avoid ? next : cycle[(k + 2) % 3];
  }
  return Cyan;
}

std::uint8_t Encode(float distance, float stepsPerPixel) {
  const float value = std::round(128.0F + distance * stepsPerPixel);
  return static_cast<std::uint8_t>(std::clamp(value, 0.0F, 255.0F));
}

float Median(float a, float b, float c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

}  // namespace

void MultiChannelField::ColourEdges() {
  // The coloured contours are gathered anew: a teardrop with fewer than three edges is split so
  // that it has three parts to colour.
  coloured.clear();
  for (Contour& contour : contours) {
    if (contour.Count == 0) continue;
    std::vector<std::size_t> corners;
    for (std::size_t k = 0; k < contour.Count; ++k) {
      const Edge& previous = edges[contour.First + (k + contour.Count - 1) % contour.Count];
      const Edge& current = edges[contour.First + k];
      if (IsCorner(EndDirection(previous), StartDirection(current))) corners.push_back(k);
    }
    const auto keep = [&](std::size_t firstEdge) {
      contour.First = coloured.size();
      coloured.insert(coloured.end(), edges.begin() + static_cast<std::ptrdiff_t>(firstEdge),
                      edges.begin() + static_cast<std::ptrdiff_t>(firstEdge + contour.Count));
    };
    if (corners.empty()) {
      for (std::size_t k = 0; k < contour.Count; ++k) edges[contour.First + k].Channels = White;
      keep(contour.First);
      continue;
    }
    if (corners.size() == 1) {
      // A teardrop: from its corner, a third each of cyan, white and yellow, so that the
      // corner's two edges share only green.
      scratchEdges.clear();
      for (std::size_t k = 0; k < contour.Count; ++k) {
        scratchEdges.push_back(edges[contour.First + (corners[0] + k) % contour.Count]);
      }
      if (scratchEdges.size() < 3) {
        std::vector<Edge> split;
        const std::size_t pieces = scratchEdges.size() == 1 ? 3 : 2;
        for (const Edge& e : scratchEdges) {
          for (std::size_t p = 0; p < pieces; ++p) {
            split.push_back(Part(e, static_cast<double>(p) / static_cast<double>(pieces),
                                 static_cast<double>(p + 1) / static_cast<double>(pieces)));
          }
        }
        scratchEdges = std::move(split);
      }
      const std::size_t n = scratchEdges.size();
      constexpr std::array<std::uint8_t, 3> parts{Cyan, White, Yellow};
      for (std::size_t k = 0; k < n; ++k)
        scratchEdges[k].Channels = parts[std::min<std::size_t>(3 * k / n, 2)];
      contour.First = coloured.size();
      contour.Count = n;
      coloured.insert(coloured.end(), scratchEdges.begin(), scratchEdges.end());
      continue;
    }
    // Splines from corner to corner, each a colour unlike the one before (and the last unlike
    // the first): neighbours among cyan, magenta and yellow share exactly one channel.
    std::uint8_t colour = Cyan;
    const std::uint8_t first = Cyan;
    for (std::size_t c = 0; c < corners.size(); ++c) {
      if (c > 0) colour = NextColour(colour, c + 1 == corners.size() ? first : 0);
      const std::size_t from = corners[c];
      const std::size_t to = c + 1 < corners.size() ? corners[c + 1] : corners[0] + contour.Count;
      for (std::size_t k = from; k < to; ++k) {
        edges[contour.First + k % contour.Count].Channels = colour;
      }
    }
    keep(contour.First);
  }
  edges.swap(coloured);
}

// Marks row texels inside the outline (the fill rule FreeType renders with), from where the
// flattened contours cross the row's centre line.
void MultiChannelField::Winding(double y, double left, std::int32_t width, bool evenOdd) {
  crossings.clear();
  for (std::size_t c = 0; c + 1 < polylineStarts.size(); ++c) {
    const std::size_t begin = polylineStarts[c];
    const std::size_t end = polylineStarts[c + 1];
    for (std::size_t k = begin; k < end; ++k) {
      const Point a = polyline[k];
      const Point b = polyline[k + 1 < end ? k + 1 : begin];
      if ((a.Y <= y) == (b.Y <= y)) continue;
      const double x = a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
      crossings.emplace_back(x, b.Y > a.Y ? 1 : -1);
    }
  }
  std::sort(crossings.begin(), crossings.end());
  inside.assign(static_cast<std::size_t>(width), 0);
  std::size_t next = 0;
  int winding = 0;
  for (std::int32_t i = 0; i < width; ++i) {
    const double x = left + i + 0.5;
    while (next < crossings.size() && crossings[next].first < x)
      winding += crossings[next++].second;
    inside[static_cast<std::size_t>(i)] = evenOdd ? (winding & 1) != 0 : winding != 0;
  }
}

void MultiChannelField::Render(const FT_Outline& outline, std::int32_t spread, GlyphImage& image) {
  image.Format = GlyphPixelFormat::Field32;
  image.Width = 0;
  image.Rows = 0;
  image.Left = 0;
  image.Top = 0;
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  // The pixel box as FreeType's renderers round it, grown by the spread.
  const FT_Pos x0 = box.xMin >> 6;
  const FT_Pos y0 = box.yMin >> 6;
  const FT_Pos x1 = (box.xMax + 63) >> 6;
  const FT_Pos y1 = (box.yMax + 63) >> 6;
  if (outline.n_points <= 0 || x1 <= x0 || y1 <= y0) return;
  const auto width = static_cast<std::int32_t>(x1 - x0 + 2 * spread);
  const auto rows = static_cast<std::int32_t>(y1 - y0 + 2 * spread);
  image.Left = static_cast<std::int32_t>(x0 - spread);
  image.Top = static_cast<std::int32_t>(y1 + spread);

  edges.clear();
  std::vector<std::size_t> starts;
  Decomposition decomposition{&edges, &starts, {}, false};
  FT_Outline_Funcs functions{};
  functions.move_to = &MoveTo;
  functions.line_to = &LineTo;
  functions.conic_to = &ConicTo;
  functions.cubic_to = &CubicTo;
  const FT_Error error =
      FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &functions, &decomposition);
  const std::uint64_t texels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(rows);
  if (error != 0 || decomposition.TooMany || texels * edges.size() > MostWork) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  contours.clear();
  for (std::size_t c = 0; c < starts.size(); ++c) {
    const std::size_t end = c + 1 < starts.size() ? starts[c + 1] : edges.size();
    contours.push_back({starts[c], end - starts[c]});
  }
  ColourEdges();

  // Flattened contours for the inside test: a few lines per curve suffice, as the test only
  // decides the sign where the distance is within a fraction of a pixel of 0.
  polyline.clear();
  polylineStarts.clear();
  for (const Contour& contour : contours) {
    polylineStarts.push_back(polyline.size());
    for (std::size_t k = 0; k < contour.Count; ++k) {
      const Edge& e = edges[contour.First + k];
      double length = 0;
      for (std::int32_t j = 0; j < e.Degree; ++j) {
        const Point d = e.P[j + 1] - e.P[j];
        length += std::sqrt(Dot(d, d));
      }
      const std::int32_t pieces =
          e.Degree == 1 ? 1 : std::clamp(static_cast<std::int32_t>(length * 2), 4, 64);
      for (std::int32_t j = 0; j < pieces; ++j) {
        polyline.push_back(PointAt(e, static_cast<double>(j) / pieces));
      }
    }
  }
  polylineStarts.push_back(polyline.size());
  // Every row's inside test walks the flattened outline.
  if (static_cast<std::uint64_t>(rows) * polyline.size() > MostWork) {
    throw FontException(Messages::ErrorLoadingGlyph);
  }
  const bool evenOdd = (outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
  // TrueType outlines run clockwise around their fill, PostScript ones counter-clockwise.
  const double fill =
      FT_Outline_Get_Orientation(const_cast<FT_Outline*>(&outline)) == FT_ORIENTATION_POSTSCRIPT
          ? 1.0
          : -1.0;

  // Only edges nearer than this decide a channel; beyond, the field is clamped anyway.
  const double reach = spread + 1.0;
  const double reachSquared = reach * reach;
  // The nearest edge of each channel to `p` by true distance (a shared end point goes to the
  // edge `p` lies more squarely across from), and the squared true distance to the outline.
  const auto findNearest = [&](Point p, std::array<Candidate, 3>& nearest, double& trueSquared) {
    for (Candidate& c : nearest) c = Candidate{nullptr, reachSquared, 0, 0};
    trueSquared = reachSquared;
    for (const Edge& e : edges) {
      const double dx = std::max({e.MinX - p.X, 0.0, p.X - e.MaxX});
      const double dy = std::max({e.MinY - p.Y, 0.0, p.Y - e.MaxY});
      const double boxSquared = dx * dx + dy * dy;
      bool wanted = boxSquared <= trueSquared;
      for (std::size_t c = 0; c < 3 && !wanted; ++c) {
        wanted = (e.Channels & (1U << c)) != 0 && boxSquared <= nearest[c].Squared;
      }
      if (!wanted) continue;
      double t = 0;
      const double squared = Nearest(e, p, t);
      trueSquared = std::min(trueSquared, squared);
      double ortho = -1;
      for (std::size_t c = 0; c < 3; ++c) {
        if ((e.Channels & (1U << c)) == 0 || squared > nearest[c].Squared * (1 + 1e-9) + 1e-12) {
          continue;
        }
        if (ortho < 0) ortho = Orthogonality(e, t, p);
        if (nearest[c].E == nullptr || Nearer(squared, ortho, nearest[c])) {
          nearest[c] = {&e, squared, t, ortho};
        }
      }
    }
  };
  const auto limit = static_cast<float>(spread);
  const auto channel = [&](const Candidate& c, Point p, bool in) {
    const double distance = c.E != nullptr ? PseudoDistance(c, p, fill) : (in ? reach : -reach);
    return std::clamp(static_cast<float>(distance), -limit, limit);
  };

  field.assign(texels * 4, 0.0F);
  const auto columns = static_cast<std::size_t>(width);
  std::array<Candidate, 3> nearest;
  for (std::int32_t j = 0; j < rows; ++j) {
    const double y = static_cast<double>(image.Top) - j - 0.5;
    Winding(y, image.Left, width, evenOdd);
    for (std::int32_t i = 0; i < width; ++i) {
      const Point p{static_cast<double>(image.Left) + i + 0.5, y};
      double trueSquared = 0;
      findNearest(p, nearest, trueSquared);
      const bool in = inside[static_cast<std::size_t>(i)] != 0;
      float* texel =
          field.data() + (static_cast<std::size_t>(j) * columns + static_cast<std::size_t>(i)) * 4;
      for (std::size_t c = 0; c < 3; ++c) texel[c] = channel(nearest[c], p, in);
      const auto distance = static_cast<float>(std::sqrt(trueSquared));
      texel[3] = std::clamp(in ? distance : -distance, -limit, limit);
    }
  }

  // Error correction, on the distances as the texels will hold them. A texel whose median
  // takes the other side of the edge from its true distance (overlapping contours) takes the
  // true distance. Then each texel against its neighbours across, down and diagonally: their
  // channels interpolated halfway should give the median the channels have there. Where a
  // channel's nearest edge changes between the two, the interpolation can put a false edge
  // between them, or bend the true one; such texels clash and become their medians, as a
  // single-channel field would be there. Well away from the edge only a false edge matters, and
  // the true distance halfway has both texels' sign.
  constexpr float Margin = 0.1F;
  constexpr float Near = 1.5F;
  constexpr float Tolerance = 0.2F;
  clash.assign(texels, 0);
  for (std::size_t k = 0; k < texels; ++k) {
    float* t = field.data() + k * 4;
    if (std::abs(t[3]) > Margin && (Median(t[0], t[1], t[2]) > 0) != (t[3] > 0)) {
      t[0] = t[1] = t[2] = t[3];
    }
  }
  for (std::int32_t j = 0; j < rows; ++j) {
    for (std::int32_t i = 0; i < width; ++i) {
      const std::size_t k = static_cast<std::size_t>(j) * columns + static_cast<std::size_t>(i);
      const float* t = field.data() + k * 4;
      const std::array<std::pair<std::int32_t, std::int32_t>, 3> neighbours{
          {{1, 0}, {0, 1}, {1, 1}}};
      for (const auto& [di, dj] : neighbours) {
        if (i + di >= width || j + dj >= rows) continue;
        const std::size_t n =
            k + static_cast<std::size_t>(dj) * columns + static_cast<std::size_t>(di);
        const bool diagonal = di == 1 && dj == 1;
        // Diagonally the halfway point is the middle of four texels.
        const float* right = t + 4;
        const float* below = field.data() + (k + columns) * 4;
        const float* u = field.data() + n * 4;
        std::array<float, 4> half{};
        for (std::size_t c = 0; c < 4; ++c) {
          half[c] = diagonal ? (t[c] + u[c] + right[c] + below[c]) / 4 : (t[c] + u[c]) / 2;
        }
        const float median = Median(half[0], half[1], half[2]);
        bool clashes = false;
        if ((t[3] > Near && u[3] > Near) || (t[3] < -Near && u[3] < -Near)) {
          clashes = (median > 0) != (t[3] > 0);
        } else {
          const Point p{static_cast<double>(image.Left) + i + 0.5 + di / 2.0,
                        static_cast<double>(image.Top) - j - 0.5 - dj / 2.0};
          double trueSquared = 0;
          findNearest(p, nearest, trueSquared);
          const bool in = half[3] > 0;
          const float exact = Median(channel(nearest[0], p, in), channel(nearest[1], p, in),
                                     channel(nearest[2], p, in));
          clashes = std::abs(exact) < Near && std::abs(median - exact) > Tolerance;
        }
        if (!clashes) continue;
        clash[k] = 1;
        clash[n] = 1;
        if (diagonal) {
          clash[k + 1] = 1;
          clash[k + columns] = 1;
        }
      }
    }
  }
  for (std::size_t k = 0; k < texels; ++k) {
    if (clash[k] == 0) continue;
    float* t = field.data() + k * 4;
    t[0] = t[1] = t[2] = Median(t[0], t[1], t[2]);
  }

  image.Width = width;
  image.Rows = rows;
  if (image.Pixels.size() < texels * 4) image.Pixels.resize(texels * 4);
  const float steps = 128.0F / static_cast<float>(spread);
  for (std::size_t k = 0; k < texels * 4; ++k) image.Pixels[k] = Encode(field[k], steps);
}

}  // namespace Vennicor::Font::Detail
