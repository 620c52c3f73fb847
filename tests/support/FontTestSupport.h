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

#include "tests/support/FixtureFonts.h"
#include "tests/support/GraphicsTestDoubles.h"

namespace Vennicor::Font::Testing {

using Graphics::Testing::RecordingDevice;
using Graphics::Testing::RecordingTexture;

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
