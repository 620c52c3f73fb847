#include "tools/vennicor-text/TextPicture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/FontFamily.h"
#include "font/drawing/GlyphQuads.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/RichText.h"
#include "font/layout/TextLayout.h"
#include "font/text/Utf.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteGeometry.h"
#include "graphics/software/SoftwareGraphicsDevice.h"

namespace VennicorText {

using Vennicor::Font::DrawStyle;
using Vennicor::Font::Font;
using Vennicor::Font::GlyphQuad;
using Vennicor::Font::GlyphQuadBuilder;
using Vennicor::Font::SpriteBatchEx;
using Vennicor::Font::TextShadow;
using Vennicor::Graphics::BlendState;
using Vennicor::Graphics::Color;
using Vennicor::Graphics::Rectangle;
using Vennicor::Graphics::SamplerState;
using Vennicor::Graphics::SpriteBatch;
using Vennicor::Graphics::SpriteEffects;
using Vennicor::Graphics::SpriteGeometry;
using Vennicor::Graphics::SpriteSortMode;
using Vennicor::Graphics::Texture2D;
using Vennicor::Graphics::Vector2;
using Vennicor::Graphics::Software::SoftwareGraphicsDevice;

namespace {

// A picture is held in memory four bytes a pixel: at most 256 MiB.
constexpr std::int32_t LargestPictureEdge = 16384;
constexpr double LargestPictureArea = 64.0 * 1024 * 1024;

// The sprite batch blends premultiplied colours; users and PNG files speak straight alpha.
Color Premultiply(Color c) { return Color::FromNonPremultiplied(c.R, c.G, c.B, c.A); }

Picture Unpremultiplied(std::int32_t width, std::int32_t height, std::span<const Color> pixels) {
  Picture picture{width, height, {}};
  picture.Pixels.reserve(pixels.size());
  for (const Color c : pixels) {
    if (c.A == 0) {
      picture.Pixels.emplace_back();
      continue;
    }
    const auto straight = [&](std::uint8_t channel) { return (channel * 255 + c.A / 2) / c.A; };
    picture.Pixels.emplace_back(straight(c.R), straight(c.G), straight(c.B), c.A);
  }
  return picture;
}

// The extent of everything drawn, so that the picture can be fitted to the glyphs' images as
// well as to the measured lines.
class Extent {
 public:
  void Include(Vector2 point) {
    minimum = {std::min(minimum.X, point.X), std::min(minimum.Y, point.Y)};
    maximum = {std::max(maximum.X, point.X), std::max(maximum.Y, point.Y)};
  }
  // Every corner of the quads that show an image (a space's quad has no area).
  void Include(std::span<const GlyphQuad> quads) {
    for (const GlyphQuad& quad : quads) {
      if (quad.TexTopLeft.X == quad.TexBottomRight.X ||
          quad.TexTopLeft.Y == quad.TexBottomRight.Y) {
        continue;
      }
      for (const Vector2 corner :
           {quad.TopLeft, quad.TopRight, quad.BottomLeft, quad.BottomRight}) {
        Include(corner);
      }
    }
  }

  Vector2 Minimum() const { return minimum; }
  Vector2 Maximum() const { return maximum; }

 private:
  Vector2 minimum{std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
  Vector2 maximum{std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
};

std::u16string FontFaceName(const std::string& utf8) {
  std::u16string name;
  if (!Vennicor::Font::AppendUtf16FromUtf8(utf8, name)) {
    throw std::runtime_error("the font name is not valid UTF-8");
  }
  // A family name has no slash; a path that names no file would otherwise be looked up among
  // the installed families and reported as an unknown font.
  if (utf8.find('/') != std::string::npos) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(utf8), error)) {
      throw std::runtime_error("no font file '" + utf8 + "'");
    }
  }
  return name;
}

}  // namespace

RenderedText RenderText(const Options& options, std::u16string_view text, bool withAtlas) {
  // The font's textures outlive any one back buffer: software textures draw on every software
  // device, so the font gets its own and the picture is sized once the text is measured.
  SoftwareGraphicsDevice fontDevice(1, 1);
  const std::u16string faceName = FontFaceName(options.FontFace);
  Font font = [&]() -> Font {
    try {
      Vennicor::Font::FontOptions look = options.Look;
      // A distance field draws its own outline; other fonts get outline images.
      if (!look.DistanceField) look.OutlineThickness = options.Outline;
      if (options.GlyphCachePath) look.GlyphCache = *options.GlyphCachePath;
      return Font(fontDevice, faceName, options.Size, options.Style, look);
    } catch (const Vennicor::Font::FontException& error) {
      throw std::runtime_error("cannot open font '" + options.FontFace + "': " + error.what());
    }
  }();
  for (const std::string& fallback : options.FallbackFaces) {
    try {
      font.AddFallbackFace(FontFaceName(fallback), options.Style);
    } catch (const Vennicor::Font::FontException& error) {
      throw std::runtime_error("cannot open fallback font '" + fallback + "': " + error.what());
    }
  }
  if (options.SystemFallback) font.AddSystemFallback();

  // The text block: wrapped, aligned and shaped by TextLayout.
  Vennicor::Font::TextLayoutOptions layoutOptions;
  layoutOptions.MaxWidth = options.Width.value_or(0);
  layoutOptions.Direction = options.Direction;
  layoutOptions.LineSpacing = options.LineSpacing;
  layoutOptions.MaxLines = options.MaxLines;
  layoutOptions.Features = options.Features;
  switch (options.Align.value_or(Alignment::Left)) {
    case Alignment::Left:
      layoutOptions.Alignment = Vennicor::Font::TextAlignment::Left;
      break;
    case Alignment::Center:
      layoutOptions.Alignment = Vennicor::Font::TextAlignment::Center;
      break;
    case Alignment::Right:
      layoutOptions.Alignment = Vennicor::Font::TextAlignment::Right;
      break;
    case Alignment::Justify:
      layoutOptions.Alignment = Vennicor::Font::TextAlignment::Justify;
      break;
  }
  // A final line feed ends the last line rather than starting an empty one.
  if (!text.empty() && text.back() == u'\n') text.remove_suffix(1);
  // Markup draws from the font's family: its bold and italic faces, its other sizes.
  Vennicor::Font::FontOptions familyLook = options.Look;
  if (!familyLook.DistanceField) familyLook.OutlineThickness = options.Outline;
  Vennicor::Font::FontFamily family(fontDevice, faceName, familyLook);
  const Vennicor::Font::TextLayout layout = [&] {
    if (!options.Markup) return Vennicor::Font::TextLayout(font, text, layoutOptions);
    try {
      const auto rich = Vennicor::Font::RichText::FromMarkup(Vennicor::Font::Utf16ToUtf8(text),
                                                             family, options.Size);
      return Vennicor::Font::TextLayout(family.Get(options.Style, options.Size), rich,
                                        layoutOptions);
    } catch (const Vennicor::Font::MarkupError& error) {
      throw std::runtime_error(std::string("bad markup: ") + error.what());
    }
  }();
  const float blockWidth = layoutOptions.MaxWidth > 0 ? layoutOptions.MaxWidth : layout.Size().X;

  const auto rotation =
      static_cast<float>(static_cast<double>(options.RotationDegrees) * std::numbers::pi / 180.0);
  const Color outlineTint = Premultiply(options.OutlineColor);
  DrawStyle style;
  style.Color = Premultiply(options.Foreground);
  style.Rotation = rotation;
  style.Origin = options.Origin;
  style.Scale = options.Scale;
  style.Effects = options.Flip;
  if (options.Shadow) style.Shadow = TextShadow{*options.Shadow, Premultiply(options.ShadowColor)};
  // A distance field draws its own outline, through the field effect below.
  if (options.Outline > 0 && !options.Look.DistanceField) style.Outline = outlineTint;

  // Where everything lands when the origin is put on (0, 0): the text block and every glyph
  // image, which may reach past its line.
  Extent bounds;
  std::vector<GlyphQuad> quads;
  GlyphQuadBuilder().Build(layout, {0, 0}, style, quads);
  bounds.Include(quads);
  const SpriteGeometry turned = SpriteGeometry::Of(rotation, {0, 0}, {1, 1}, SpriteEffects::None);
  const Vector2 blockEnd{blockWidth, layout.Size().Y};
  for (const Vector2 corner :
       {Vector2{0, 0}, Vector2{blockEnd.X, 0}, Vector2{0, blockEnd.Y}, blockEnd}) {
    const Vector2 p = (corner - options.Origin) * options.Scale;
    bounds.Include(turned.Corner({0, 0}, p.X, p.Y));
  }

  const auto margin = static_cast<float>(options.Margin);
  const Vector2 position = options.Position.value_or(
      Vector2{margin - std::floor(bounds.Minimum().X), margin - std::floor(bounds.Minimum().Y)});
  // Checked in double: a far position or a huge scale must not wrap to a negative size (or
  // reach an undefined conversion) on its way to the limit check.
  double width = 0;
  double height = 0;
  if (options.ImageSize) {
    width = options.ImageSize->X;
    height = options.ImageSize->Y;
  } else {
    const auto fitted = [&](float extent, float offset) {
      return std::max(1.0, std::ceil(static_cast<double>(extent) + static_cast<double>(offset)) +
                               static_cast<double>(margin));
    };
    width = fitted(bounds.Maximum().X, position.X);
    height = fitted(bounds.Maximum().Y, position.Y);
  }
  // Written so that NaN fails too.
  const bool fits = width <= LargestPictureEdge && height <= LargestPictureEdge &&
                    width * height <= LargestPictureArea;
  if (!fits) {
    if (!std::isfinite(width) || !std::isfinite(height) || width > 1e12 || height > 1e12) {
      throw std::runtime_error(
          "the text would land too far away for any picture (with this position, origin, scale "
          "or size); the limit is 16384 pixels on an edge and 64 Mi in all");
    }
    throw std::runtime_error("the picture would be " +
                             std::to_string(static_cast<std::int64_t>(width)) + " x " +
                             std::to_string(static_cast<std::int64_t>(height)) +
                             " pixels, more than the limit of 16384 on an edge and 64 Mi in "
                             "all; use a smaller size or scale");
  }

  SoftwareGraphicsDevice device(static_cast<std::int32_t>(width),
                                static_cast<std::int32_t>(height));
  device.Clear(Premultiply(options.Background));
  SpriteBatch batch(device);
  // A distance-field font draws through the field effect, its outline (but not its shadow)
  // from the field; the outline cannot reach beyond the field's spread.
  const float fieldOutline = options.Look.DistanceField ? options.Outline : 0;
  batch.Begin(SpriteSortMode::Deferred, BlendState::AlphaBlend, SamplerState::LinearClamp,
              std::nullopt, SpriteBatchEx::DistanceFieldEffectOf(font, fieldOutline, outlineTint));
  SpriteBatchEx::DrawText(batch, layout, position, style);
  batch.End();

  // The glyphs of a font started without the file (it was missing or did not fit) replace it.
  if (options.GlyphCachePath && !font.StartedFromGlyphCache()) {
    try {
      font.SaveGlyphCache(*options.GlyphCachePath);
    } catch (const Vennicor::Font::FontException& error) {
      throw std::runtime_error("cannot write glyph cache '" + *options.GlyphCachePath +
                               "': " + error.what());
    }
  }

  RenderedText result;
  result.Text =
      Unpremultiplied(device.BackBufferWidth(), device.BackBufferHeight(), device.BackBuffer());
  if (withAtlas) {
    const std::shared_ptr<Texture2D>& atlas = font.GlyphTexture();
    std::vector<Color> texels(static_cast<std::size_t>(atlas->Width()) *
                              static_cast<std::size_t>(atlas->Height()));
    atlas->GetData(0, std::nullopt, texels);
    // White glyphs on transparent black look like an empty picture in most viewers: the atlas
    // is written composited over opaque black (premultiplied colour + black × (1 − alpha)).
    for (Color& texel : texels) texel.A = 255;
    result.Atlas = Picture{atlas->Width(), atlas->Height(), std::move(texels)};
  }
  return result;
}

}  // namespace VennicorText
