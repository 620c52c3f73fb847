#pragma once

// What the layout tests share: installed fonts by path and a sprite batch that records draws.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics/SpriteBatch.h"
#include "graphics/Texture2D.h"

namespace Vennicor::Font::Testing {

inline constexpr const char* DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* NotoSansArabic =
    "/usr/share/fonts/truetype/noto/NotoSansArabic-Regular.ttf";
inline constexpr const char* NotoSansHebrew =
    "/usr/share/fonts/truetype/noto/NotoSansHebrew-Regular.ttf";
inline constexpr const char* NotoSansThai =
    "/usr/share/fonts/truetype/noto/NotoSansThai-Regular.ttf";
inline constexpr const char* LohitDevanagari =
    "/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf";

/// An installed font's path as the UTF-16 text a Font takes (the paths above are ASCII).
inline std::u16string PathText(const std::string& path) { return {path.begin(), path.end()}; }

/// Skips the calling test when an installed font is missing.
#define VENNICOR_REQUIRE_FONT(path)                                              \
  if (!std::filesystem::exists(path)) {                                          \
    GTEST_SKIP() << (path) << " is not installed (see scripts/setup-debian.sh)"; \
  }

/// One recorded sprite.
struct RecordedSprite {
  Graphics::Texture2D* Texture = nullptr;
  Graphics::Vector2 Position;
  std::optional<Graphics::Rectangle> Source;
  Graphics::Color Tint;
  float Rotation = 0;
  Graphics::Vector2 Scale;
};

/// Records every sprite handed to Draw instead of queuing it.
class SpriteRecorder final : public Graphics::SpriteBatch {
 public:
  using SpriteBatch::SpriteBatch;

  void Draw(const std::shared_ptr<Graphics::Texture2D>& texture, Graphics::Vector2 position,
            std::optional<Graphics::Rectangle> sourceRectangle, Graphics::Color color,
            float rotation, Graphics::Vector2 /*origin*/, Graphics::Vector2 scale,
            Graphics::SpriteEffects /*effects*/, float /*layerDepth*/) override {
    Sprites.push_back({texture.get(), position, sourceRectangle, color, rotation, scale});
  }

  std::vector<RecordedSprite> Sprites;
};

}  // namespace Vennicor::Font::Testing
