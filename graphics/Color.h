#pragma once

#include <algorithm>
#include <cstdint>

namespace Vennicor::Graphics {

/// A 32-bit colour, one byte a channel in R, G, B, A order (the layout of SurfaceFormat::Color).
/// Sprite drawing treats colours as premultiplied by alpha, as XNA does.
struct Color {
  std::uint8_t R = 0;  ///< red, 0..255
  std::uint8_t G = 0;  ///< green, 0..255
  std::uint8_t B = 0;  ///< blue, 0..255
  std::uint8_t A = 0;  ///< alpha (opacity), 0..255

  /// Transparent black.
  constexpr Color() = default;

  /// Values outside 0..255 are clamped.
  constexpr Color(int r, int g, int b, int a)
      : R(Clamp(r)), G(Clamp(g)), B(Clamp(b)), A(Clamp(a)) {}

  /// An opaque colour.
  constexpr Color(int r, int g, int b) : Color(r, g, b, 255) {}

  /// A colour from straight (non-premultiplied) channels, as XNA's Color.FromNonPremultiplied:
  /// each channel is clamped to 0..255 as the constructor does, then r, g and b are multiplied by
  /// a / 255 and rounded to the nearest byte. Use it for colours picked by users or read from
  /// files, which speak straight alpha. Constant time.
  static constexpr Color FromNonPremultiplied(int r, int g, int b, int a) {
    const int alpha = Clamp(a);
    const auto scaled = [alpha](int channel) { return (Clamp(channel) * alpha + 127) / 255; };
    return {scaled(r), scaled(g), scaled(b), alpha};
  }

  /// Transparent black (0, 0, 0, 0).
  static constexpr Color Transparent() { return {}; }
  /// Opaque white (255, 255, 255, 255).
  static constexpr Color White() { return {255, 255, 255, 255}; }
  /// Opaque black (0, 0, 0, 255).
  static constexpr Color Black() { return {0, 0, 0, 255}; }
  /// Opaque (100, 149, 237), XNA's customary clear colour.
  static constexpr Color CornflowerBlue() { return {100, 149, 237, 255}; }

  /// Equal when all four channels are.
  friend constexpr bool operator==(Color, Color) = default;

 private:
  static constexpr std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
  }
};

static_assert(sizeof(Color) == 4, "Color must be four bytes, as the texture format expects");

}  // namespace Vennicor::Graphics
