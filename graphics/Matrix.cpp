#include "graphics/Matrix.h"

#include <cmath>

namespace Vennicor::Graphics {

Matrix Matrix::Identity() {
  Matrix m;
  m.M11 = m.M22 = m.M33 = m.M44 = 1;
  return m;
}

Matrix Matrix::CreateRotationZ(float radians) {
  const float c = std::cos(radians);
  const float s = std::sin(radians);
  Matrix m = Identity();
  m.M11 = c;
  m.M12 = s;
  m.M21 = -s;
  m.M22 = c;
  return m;
}

Matrix Matrix::CreateTranslation(float x, float y, float z) {
  Matrix m = Identity();
  m.M41 = x;
  m.M42 = y;
  m.M43 = z;
  return m;
}

Matrix Matrix::CreateScale(float x, float y, float z) {
  Matrix m;
  m.M11 = x;
  m.M22 = y;
  m.M33 = z;
  m.M44 = 1;
  return m;
}

Matrix Matrix::Multiply(const Matrix& a, const Matrix& b) {
  const float l[4][4] = {{a.M11, a.M12, a.M13, a.M14},
                         {a.M21, a.M22, a.M23, a.M24},
                         {a.M31, a.M32, a.M33, a.M34},
                         {a.M41, a.M42, a.M43, a.M44}};
  const float r[4][4] = {{b.M11, b.M12, b.M13, b.M14},
                         {b.M21, b.M22, b.M23, b.M24},
                         {b.M31, b.M32, b.M33, b.M34},
                         {b.M41, b.M42, b.M43, b.M44}};
  float p[4][4];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      p[i][j] = l[i][0] * r[0][j] + l[i][1] * r[1][j] + l[i][2] * r[2][j] + l[i][3] * r[3][j];
    }
  }
  return {p[0][0], p[0][1], p[0][2], p[0][3], p[1][0], p[1][1], p[1][2], p[1][3],
          p[2][0], p[2][1], p[2][2], p[2][3], p[3][0], p[3][1], p[3][2], p[3][3]};
}

}  // namespace Vennicor::Graphics
