#pragma once

namespace Vennicor::Graphics {

/// A 4 × 4 matrix of floats in the row-vector convention: a point p maps to p · M, so the
/// translation lives in M41, M42, M43 and Multiply(A, B) applies A first, then B.
struct Matrix {
  float M11 = 0;  ///< row 1, column 1
  float M12 = 0;  ///< row 1, column 2
  float M13 = 0;  ///< row 1, column 3
  float M14 = 0;  ///< row 1, column 4
  float M21 = 0;  ///< row 2, column 1
  float M22 = 0;  ///< row 2, column 2
  float M23 = 0;  ///< row 2, column 3
  float M24 = 0;  ///< row 2, column 4
  float M31 = 0;  ///< row 3, column 1
  float M32 = 0;  ///< row 3, column 2
  float M33 = 0;  ///< row 3, column 3
  float M34 = 0;  ///< row 3, column 4
  float M41 = 0;  ///< row 4, column 1: translation along X
  float M42 = 0;  ///< row 4, column 2: translation along Y
  float M43 = 0;  ///< row 4, column 3: translation along Z
  float M44 = 0;  ///< row 4, column 4

  /// The identity: ones on the diagonal.
  static Matrix Identity();
  /// Rotation about the Z axis; with Y pointing down the screen a positive angle turns clockwise.
  static Matrix CreateRotationZ(float radians);
  /// Moves points by (x, y, z).
  static Matrix CreateTranslation(float x, float y, float z);
  /// Scales points by x, y and z along the axes.
  static Matrix CreateScale(float x, float y, float z);
  /// The product left · right: applies `left` first, then `right`.
  static Matrix Multiply(const Matrix& left, const Matrix& right);

  /// Multiply(left, right).
  friend Matrix operator*(const Matrix& left, const Matrix& right) { return Multiply(left, right); }
  /// Equal when all sixteen elements are.
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

}  // namespace Vennicor::Graphics
