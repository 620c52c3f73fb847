#pragma once

#include "graphics/Matrix.h"

namespace Vennicor::Graphics {

/// A pair of single-precision floats: a position, a size or a scale.
struct Vector2 {
  float X = 0;  ///< horizontal component, to the right
  float Y = 0;  ///< vertical component, downwards

  /// Transforms a point by a matrix as a row vector (z = 0, w = 1):
  /// (x·M11 + y·M21 + M41, x·M12 + y·M22 + M42).
  static Vector2 Transform(Vector2 position, const Matrix& matrix) {
    return {position.X * matrix.M11 + position.Y * matrix.M21 + matrix.M41,
            position.X * matrix.M12 + position.Y * matrix.M22 + matrix.M42};
  }

  /// Component-wise sum.
  friend constexpr Vector2 operator+(Vector2 a, Vector2 b) { return {a.X + b.X, a.Y + b.Y}; }
  /// Component-wise difference.
  friend constexpr Vector2 operator-(Vector2 a, Vector2 b) { return {a.X - b.X, a.Y - b.Y}; }
  /// Both components negated.
  friend constexpr Vector2 operator-(Vector2 a) { return {-a.X, -a.Y}; }
  /// Component-wise product.
  friend constexpr Vector2 operator*(Vector2 a, Vector2 b) { return {a.X * b.X, a.Y * b.Y}; }
  /// Both components times `s`.
  friend constexpr Vector2 operator*(Vector2 a, float s) { return {a.X * s, a.Y * s}; }
  /// Both components times `s`.
  friend constexpr Vector2 operator*(float s, Vector2 a) { return {a.X * s, a.Y * s}; }
  /// Adds `other` component-wise.
  constexpr Vector2& operator+=(Vector2 other) { return *this = *this + other; }
  /// Equal when both components are (exact float comparison).
  friend constexpr bool operator==(Vector2, Vector2) = default;
};

}  // namespace Vennicor::Graphics
