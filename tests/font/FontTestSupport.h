#pragma once

// Test doubles and helpers shared by the Font tests: fixture paths, a graphics device whose
// textures record every upload, and bare FreeType renderings to compare against.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/GraphicsDevice.h"
#include "graphics/Texture2D.h"
#include "tests/font/sources/TestFonts.h"

namespace Vennicor::Font::Testing {

/// A fixture font's path as the UTF-16 text a Font takes.
inline std::u16string FixtureFontText(const std::string& fileName) {
  const std::u8string path = FixtureFont(fileName).u8string();
  std::u16string text;
  for (const char8_t c : path) {
    if (c >= 0x80) throw std::runtime_error("fixture paths here are ASCII");
    text += static_cast<char16_t>(c);
  }
  return text;
}

/// A texture that keeps its texels and records every SetData rectangle.
class RecordingTexture final : public Graphics::Texture2D {
 public:
  RecordingTexture(std::int32_t width, std::int32_t height)
      : Texture2D(width, height, Graphics::SurfaceFormat::Color),
        texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

  void SetData(std::int32_t level, std::optional<Graphics::Rectangle> rectangle,
               std::span<const Graphics::Color> data) override {
    const Graphics::Rectangle area = CheckDataCall(level, rectangle, data.size());
    Uploads.push_back(area);
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        texels[Index(area.X + x, area.Y + y)] =
            data[static_cast<std::size_t>(y) * static_cast<std::size_t>(area.Width) +
                 static_cast<std::size_t>(x)];
      }
    }
  }

  void GetData(std::int32_t level, std::optional<Graphics::Rectangle> rectangle,
               std::span<Graphics::Color> data) const override {
    const Graphics::Rectangle area = CheckDataCall(level, rectangle, data.size());
    for (std::int32_t y = 0; y < area.Height; ++y) {
      for (std::int32_t x = 0; x < area.Width; ++x) {
        data[static_cast<std::size_t>(y) * static_cast<std::size_t>(area.Width) +
             static_cast<std::size_t>(x)] = texels[Index(area.X + x, area.Y + y)];
      }
    }
  }

  void Dispose() override {
    Texture2D::Dispose();
    if (ThrowOnDispose) throw std::runtime_error("texture refused to be disposed");
  }

  Graphics::Color At(std::int32_t x, std::int32_t y) const { return texels[Index(x, y)]; }

  std::vector<Graphics::Rectangle> Uploads;
  bool ThrowOnDispose = false;

 private:
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) +
           static_cast<std::size_t>(x);
  }
  std::vector<Graphics::Color> texels;
};

/// A device that hands out RecordingTextures and remembers them all.
class RecordingDevice final : public Graphics::GraphicsDevice {
 public:
  std::shared_ptr<Graphics::Texture2D> CreateTexture2D(
      std::int32_t width, std::int32_t height, bool /*mipMap*/,
      Graphics::SurfaceFormat /*format*/) override {
    CheckTextureSize(width, height);
    auto texture = std::make_shared<RecordingTexture>(width, height);
    Textures.push_back(texture);
    return texture;
  }
  std::int32_t MaxTextureSize() const override { return maxTextureSize; }
  void SetMaxTextureSize(std::int32_t edge) { maxTextureSize = edge; }

  std::size_t UploadCount() const {
    std::size_t count = 0;
    for (const auto& texture : Textures) count += texture->Uploads.size();
    return count;
  }

  std::vector<std::shared_ptr<RecordingTexture>> Textures;

 private:
  std::int32_t maxTextureSize = DefaultMaxTextureSize;
};

/// One glyph as bare FreeType renders it with the font's flags.
struct ReferenceGlyph {
  std::int32_t Width = 0, Rows = 0, Left = 0, Top = 0, AdvanceX = 0, AdvanceY = 0;
  std::vector<std::uint8_t> Coverage;  // rows packed tightly
};

/// A face opened with bare FreeType at a size, to compare the Font against.
class ReferenceFace {
 public:
  ReferenceFace(const std::u16string& path, double size) {
    if (FT_Init_FreeType(&library) != 0) throw std::runtime_error("FreeType init failed");
    const std::string narrow(path.begin(), path.end());
    if (FT_New_Face(library, narrow.c_str(), 0, &face) != 0 ||
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(size * 64.0), 72, 72) != 0) {
      FT_Done_FreeType(library);
      throw std::runtime_error("reference face failed");
    }
  }
  ~ReferenceFace() { FT_Done_FreeType(library); }
  ReferenceFace(const ReferenceFace&) = delete;
  ReferenceFace& operator=(const ReferenceFace&) = delete;

  ReferenceGlyph Render(char16_t character) const {
    return Capture(FT_Load_Char(face, character, FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT));
  }
  ReferenceGlyph RenderIndex(FT_UInt glyphIndex) const {
    return Capture(FT_Load_Glyph(face, glyphIndex, FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT));
  }
  FT_Face Face() const { return face; }

 private:
  ReferenceGlyph Capture(FT_Error error) const {
    if (error != 0) throw std::runtime_error("reference glyph failed");
    const FT_GlyphSlot slot = face->glyph;
    ReferenceGlyph glyph;
    glyph.Width = static_cast<std::int32_t>(slot->bitmap.width);
    glyph.Rows = static_cast<std::int32_t>(slot->bitmap.rows);
    glyph.Left = slot->bitmap_left;
    glyph.Top = slot->bitmap_top;
    glyph.AdvanceX = static_cast<std::int32_t>(slot->advance.x >> 6);
    glyph.AdvanceY = static_cast<std::int32_t>(slot->advance.y >> 6);
    for (std::int32_t y = 0; y < glyph.Rows; ++y) {
      const std::uint8_t* row = slot->bitmap.buffer + slot->bitmap.pitch * y;
      glyph.Coverage.insert(glyph.Coverage.end(), row, row + glyph.Width);
    }
    return glyph;
  }

  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

}  // namespace Vennicor::Font::Testing
