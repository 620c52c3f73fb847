#include "graphics/sdl/SdlTexture2D.h"

#include <SDL.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Vennicor::Graphics::Sdl {

namespace {

// SDL_PIXELFORMAT_RGBA32 is the byte order R, G, B, A on every platform: Color's layout.
constexpr Uint32 TexelFormat = SDL_PIXELFORMAT_RGBA32;

[[noreturn]] void ThrowSdlError(const char* what) {
  throw std::runtime_error(std::string(what) + " failed: " + SDL_GetError());
}

void Upload(SDL_Texture* texture, const Rectangle& area, const Color* first, std::size_t stride) {
  const SDL_Rect rect{area.X, area.Y, area.Width, area.Height};
  if (SDL_UpdateTexture(texture, &rect, first, static_cast<int>(stride * sizeof(Color))) != 0) {
    ThrowSdlError("SDL_UpdateTexture");
  }
}

// A premultiplied texel as straight alpha. Where alpha is 0 the colour is white, so that
// filtering between a white glyph's texels and its empty surroundings blends exactly as the
// premultiplied texels would.
Color Straight(Color c) {
  if (c.A == 0) return {255, 255, 255, 0};
  const auto divide = [&](std::uint8_t v) { return (v * 255 + c.A / 2) / c.A; };
  return {divide(c.R), divide(c.G), divide(c.B), c.A};
}

Rectangle Union(const Rectangle& a, const Rectangle& b) {
  const std::int32_t left = std::min(a.X, b.X);
  const std::int32_t top = std::min(a.Y, b.Y);
  const std::int32_t right = std::max(a.X + a.Width, b.X + b.Width);
  const std::int32_t bottom = std::max(a.Y + a.Height, b.Y + b.Height);
  return {left, top, right - left, bottom - top};
}

}  // namespace

void SdlTexture2D::TextureDeleter::operator()(SDL_Texture* handle) const noexcept {
  SDL_DestroyTexture(handle);
}

SdlTexture2D::TextureHandle SdlTexture2D::MakeTexture(SDL_Renderer* renderer, std::int32_t width,
                                                      std::int32_t height) {
  TextureHandle handle(
      SDL_CreateTexture(renderer, TexelFormat, SDL_TEXTUREACCESS_STATIC, width, height));
  if (handle == nullptr) ThrowSdlError("SDL_CreateTexture");
  return handle;
}

SdlTexture2D::SdlTexture2D(SDL_Renderer* renderer, std::int32_t width, std::int32_t height,
                           bool mipMap, SurfaceFormat format)
    : Texture2D(width, height, mipMap, format), renderer(renderer) {
  if (mipMap) throw std::invalid_argument("The SDL backend has no mipmapped textures");
  if (renderer == nullptr) throw std::invalid_argument("An SDL texture needs a renderer");
  texels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  texture = MakeTexture(renderer, width, height);
  // A new SDL texture's contents are undefined.
  Upload(texture.get(), {0, 0, width, height}, texels.data(), static_cast<std::size_t>(width));
}

SdlTexture2D::~SdlTexture2D() { Release(); }

void SdlTexture2D::SetData(std::int32_t level, std::optional<Rectangle> rectangle,
                           std::span<const Color> data) {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  if (area.Width == 0 || area.Height == 0) return;
  Upload(texture.get(), area, data.data(), static_cast<std::size_t>(area.Width));
  const auto stride = static_cast<std::size_t>(Width());
  const auto rowLength = static_cast<std::size_t>(area.Width);
  for (std::int32_t row = 0; row < area.Height; ++row) {
    const auto source = data.subspan(static_cast<std::size_t>(row) * rowLength, rowLength);
    std::copy(source.begin(), source.end(),
              texels.begin() +
                  static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area.Y + row) * stride +
                                              static_cast<std::size_t>(area.X)));
  }
  if (straight != nullptr) straightStale = straightStale ? Union(*straightStale, area) : area;
}

void SdlTexture2D::GetData(std::int32_t level, std::optional<Rectangle> rectangle,
                           std::span<Color> data) const {
  const Rectangle area = CheckDataCall(level, rectangle, data.size());
  const auto stride = static_cast<std::size_t>(Width());
  const auto rowLength = static_cast<std::size_t>(area.Width);
  for (std::int32_t row = 0; row < area.Height; ++row) {
    const auto first = texels.begin() +
                       static_cast<std::ptrdiff_t>(static_cast<std::size_t>(area.Y + row) * stride +
                                                   static_cast<std::size_t>(area.X));
    std::copy(
        first, first + static_cast<std::ptrdiff_t>(rowLength),
        data.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * rowLength));
  }
}

SDL_Texture* SdlTexture2D::StraightAlphaHandle() {
  if (texture == nullptr) return nullptr;
  if (straight == nullptr) {
    straight = MakeTexture(renderer, Width(), Height());
    straightStale = Rectangle{0, 0, Width(), Height()};
  }
  if (straightStale) {
    const Rectangle area = *straightStale;
    const auto stride = static_cast<std::size_t>(Width());
    conversion.resize(static_cast<std::size_t>(area.Width) * static_cast<std::size_t>(area.Height));
    auto out = conversion.begin();
    for (std::int32_t y = area.Y; y < area.Y + area.Height; ++y) {
      const auto row =
          texels.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * stride +
                                                       static_cast<std::size_t>(area.X));
      out = std::transform(row, row + area.Width, out, Straight);
    }
    Upload(straight.get(), area, conversion.data(), static_cast<std::size_t>(area.Width));
    straightStale.reset();
  }
  return straight.get();
}

void SdlTexture2D::Dispose() {
  Texture2D::Dispose();
  Release();
  texels.clear();
  texels.shrink_to_fit();
}

void SdlTexture2D::Release() noexcept {
  straight.reset();
  texture.reset();
  straightStale.reset();
}

}  // namespace Vennicor::Graphics::Sdl
