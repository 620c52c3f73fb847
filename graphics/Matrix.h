#pragma once

namespace Vennicor::Graphics {

/// A 4 × 4 matrix of floats in the row-vector convention: a point p maps to p · M, so the
/// translation lives in M41, M42, M43 and Multiply(A, B) applies A first, then B.
struct Matrix {
  float M11 = 0, M12 = 0, M13 = 0, M14 = 0;
  float M21 = 0, M22 = 0, M23 = 0, M24 = 0;
  float M31 = 0, M32 = 0, M33 = 0, M34 = 0;
  float M41 = 0, M42 = 0, M43 = 0, M44 = 0;

  static Matrix Identity();
  /// Rotation about the Z axis; with Y pointing down the screen a positive angle turns clockwise.
  static Matrix CreateRotationZ(float radians);
  static Matrix CreateTranslation(float x, float y, float z);
  static Matrix CreateScale(float x, float y, float z);
  static Matrix Multiply(const Matrix& left, const Matrix& right);

  friend Matrix operator*(const Matrix& left, const Matrix& right) { return Multiply(left, right); }
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

}  // namespace Vennicor::Graphics
