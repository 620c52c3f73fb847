#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "graphics/Texture2D.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace Vennicor::Graphics::Sdl {

/// A texture held by an SDL_Renderer as RGBA with one level (no mipmaps), with a CPU copy of
/// its texels. Created by SdlGraphicsDevice; the renderer must outlive it.
///
/// The SDL texture is destroyed by Dispose or when the last shared_ptr goes, so a sprite batch
/// that still holds a replaced texture keeps drawing it.
class SdlTexture2D final : public Texture2D {
 public:
  /// Creates the SDL texture and fills it with transparent black.
  /// \throws std::invalid_argument for a non-positive size, a mipmapped texture or a null
  ///         renderer; std::runtime_error if SDL cannot create the texture.
  SdlTexture2D(SDL_Renderer* renderer, std::int32_t width, std::int32_t height, bool mipMap,
               SurfaceFormat format);
  ~SdlTexture2D() override;

  /// Uploads with SDL_UpdateTexture, then updates the CPU copy.
  /// \throws as Texture2D::SetData documents, and std::runtime_error if SDL fails (nothing is
  ///         changed then).
  void SetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<const Color> data) override;
  /// Reads the CPU copy. \throws as Texture2D::GetData documents.
  void GetData(std::int32_t level, std::optional<Rectangle> rectangle,
               std::span<Color> data) const override;
  /// Destroys the SDL textures and drops the copy. Idempotent.
  void Dispose() override;

  /// The renderer the texture belongs to.
  SDL_Renderer* Renderer() const { return renderer; }
  /// The SDL texture with the texels as given (premultiplied); null after Dispose.
  SDL_Texture* Handle() const { return texture.get(); }
  /// A second SDL texture holding the texels divided by their alpha, for renderers that cannot
  /// blend premultiplied alpha. Made on first use and brought up to date with the texels set
  /// since; null after Dispose.
  /// \throws std::runtime_error if SDL cannot create or update it.
  SDL_Texture* StraightAlphaHandle();

 private:
  struct TextureDeleter {
    void operator()(SDL_Texture* texture) const noexcept;
  };
  using TextureHandle = std::unique_ptr<SDL_Texture, TextureDeleter>;

  static TextureHandle MakeTexture(SDL_Renderer* renderer, std::int32_t width, std::int32_t height);
  void Release() noexcept;

  SDL_Renderer* renderer;
  TextureHandle texture;
  TextureHandle straight;
  std::vector<Color> texels;
  // Texels changed since the straight-alpha copy was last updated (empty: none).
  std::optional<Rectangle> straightStale;
  std::vector<Color> conversion;
};

}  // namespace Vennicor::Graphics::Sdl
