#include "graphics/sdl/SdlGraphicsDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "graphics/sdl/SdlTexture2D.h"

namespace Vennicor::Graphics::Sdl {

namespace {

[[noreturn]] void ThrowSdlError(const char* what) {
  throw std::runtime_error(std::string(what) + " failed: " + SDL_GetError());
}

// The blend states as SDL blend modes where SDL's fixed modes do not match them exactly.
const SDL_BlendMode PremultipliedAlpha = SDL_ComposeCustomBlendMode(
    SDL_BLENDFACTOR_ONE, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD,
    SDL_BLENDFACTOR_ONE, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD);
const SDL_BlendMode StraightAlpha = SDL_ComposeCustomBlendMode(
    SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD,
    SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD);
const SDL_BlendMode AdditiveAlpha = SDL_ComposeCustomBlendMode(
    SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE, SDL_BLENDOPERATION_ADD,
    SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE, SDL_BLENDOPERATION_ADD);

SDL_Color ToSdl(Color c) { return {c.R, c.G, c.B, c.A}; }

// A premultiplied tint as straight alpha, clamped where its colour exceeds its alpha.
SDL_Color StraightTint(Color c) {
  if (c.A == 0) return {0, 0, 0, 0};
  const auto divide = [&](std::uint8_t v) {
    return static_cast<Uint8>(std::min(255, (v * 255 + c.A / 2) / c.A));
  };
  return {divide(c.R), divide(c.G), divide(c.B), c.A};
}

SdlTexture2D& Resolve(Texture2D* texture, SDL_Renderer* renderer) {
  auto* sdl = dynamic_cast<SdlTexture2D*>(texture);
  if (sdl == nullptr) {
    throw std::invalid_argument("A sprite's texture was not created by an SDL device");
  }
  if (sdl->Renderer() != renderer) {
    throw std::invalid_argument("A sprite's texture belongs to another SDL renderer");
  }
  return *sdl;
}

}  // namespace

struct SdlGraphicsDevice::Buffers {
  std::vector<SDL_Vertex> Vertices;
  std::vector<int> Indices;
};

SdlGraphicsDevice::SdlGraphicsDevice(SDL_Renderer* renderer)
    : renderer(renderer), buffers(std::make_unique<Buffers>()) {
  if (renderer == nullptr) throw std::invalid_argument("The SDL graphics device needs a renderer");
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0) ThrowSdlError("SDL_GetRendererInfo");
  const int largest = std::min(info.max_texture_width > 0 ? info.max_texture_width : INT32_MAX,
                               info.max_texture_height > 0 ? info.max_texture_height : INT32_MAX);
  maxTextureSize = largest == INT32_MAX ? DefaultMaxTextureSize : largest;

  // SDL tells which custom blend modes a renderer takes only when one is set on a texture.
  SdlTexture2D probe(renderer, 1, 1, false, SurfaceFormat::Color);
  const auto supports = [&](SDL_BlendMode mode) {
    return SDL_SetTextureBlendMode(probe.Handle(), mode) == 0;
  };
  premultipliedBlend = supports(PremultipliedAlpha);
  exactBlendAlpha = supports(StraightAlpha) && supports(AdditiveAlpha);
  SDL_ClearError();
}

SdlGraphicsDevice::~SdlGraphicsDevice() = default;

std::shared_ptr<Texture2D> SdlGraphicsDevice::CreateTexture2D(std::int32_t width,
                                                              std::int32_t height, bool mipMap,
                                                              SurfaceFormat format) {
  CheckTextureSize(width, height);
  return std::make_shared<SdlTexture2D>(renderer, width, height, mipMap, format);
}

void SdlGraphicsDevice::DrawSprites(std::span<const SpriteQuad> sprites,
                                    const SpriteRenderState& state) {
  lastDrawCalls = 0;
  // Every texture is checked before anything is drawn, so a foreign one draws nothing at all.
  for (std::size_t i = 0; i < sprites.size(); ++i) {
    if (i == 0 || sprites[i].Texture != sprites[i - 1].Texture) {
      Resolve(sprites[i].Texture, renderer);
    }
  }

  // Without a premultiplied blend mode, AlphaBlend draws straight-alpha copies of the texels
  // and tints with SDL_BLENDMODE_BLEND: (tint × texel) / alpha × alpha + dst × (1 − alpha).
  const bool straightCopies = state.Blend == BlendState::AlphaBlend && !premultipliedBlend;
  SDL_BlendMode mode = SDL_BLENDMODE_BLEND;
  switch (state.Blend) {
    case BlendState::AlphaBlend:
      mode = premultipliedBlend ? PremultipliedAlpha : SDL_BLENDMODE_BLEND;
      break;
    case BlendState::NonPremultiplied:
      mode = exactBlendAlpha ? StraightAlpha : SDL_BLENDMODE_BLEND;
      break;
    case BlendState::Additive:
      mode = exactBlendAlpha ? AdditiveAlpha : SDL_BLENDMODE_ADD;
      break;
    case BlendState::Opaque:
      mode = SDL_BLENDMODE_NONE;
      break;
  }
  const SDL_ScaleMode scale =
      state.Sampler == SamplerState::PointClamp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;

  auto& vertices = buffers->Vertices;
  auto& indices = buffers->Indices;
  for (std::size_t first = 0; first < sprites.size();) {
    std::size_t end = first + 1;
    while (end < sprites.size() && sprites[end].Texture == sprites[first].Texture) ++end;
    SdlTexture2D& texture = Resolve(sprites[first].Texture, renderer);
    SDL_Texture* handle = straightCopies ? texture.StraightAlphaHandle() : texture.Handle();
    const std::size_t count = end - first;
    if (handle == nullptr) {  // disposed after it was queued: draws nothing
      first = end;
      continue;
    }
    if (SDL_SetTextureBlendMode(handle, mode) != 0) ThrowSdlError("SDL_SetTextureBlendMode");
    if (SDL_SetTextureScaleMode(handle, scale) != 0) ThrowSdlError("SDL_SetTextureScaleMode");

    const float inverseWidth = 1.0F / static_cast<float>(texture.Width());
    const float inverseHeight = 1.0F / static_cast<float>(texture.Height());
    vertices.clear();
    for (const SpriteQuad& quad : sprites.subspan(first, count)) {
      const SDL_Color tint = straightCopies ? StraightTint(quad.Tint) : ToSdl(quad.Tint);
      const float u0 = quad.TexTopLeft.X * inverseWidth;
      const float v0 = quad.TexTopLeft.Y * inverseHeight;
      const float u1 = quad.TexBottomRight.X * inverseWidth;
      const float v1 = quad.TexBottomRight.Y * inverseHeight;
      vertices.push_back({{quad.TopLeft.X, quad.TopLeft.Y}, tint, {u0, v0}});
      vertices.push_back({{quad.TopRight.X, quad.TopRight.Y}, tint, {u1, v0}});
      vertices.push_back({{quad.BottomLeft.X, quad.BottomLeft.Y}, tint, {u0, v1}});
      vertices.push_back({{quad.BottomRight.X, quad.BottomRight.Y}, tint, {u1, v1}});
    }
    // Corners go top-left, top-right, bottom-left, bottom-right; two triangles share the
    // diagonal. The index list only ever grows, and serves every later run.
    while (indices.size() < count * 6) {
      const int corner = static_cast<int>(indices.size() / 6 * 4);
      for (int offset : {0, 1, 2, 1, 3, 2}) indices.push_back(corner + offset);
    }
    if (SDL_RenderGeometry(renderer, handle, vertices.data(), static_cast<int>(vertices.size()),
                           indices.data(), static_cast<int>(count * 6)) != 0) {
      ThrowSdlError("SDL_RenderGeometry");
    }
    ++lastDrawCalls;
    first = end;
  }
}

void SdlGraphicsDevice::Clear(Color color) {
  Uint8 r = 0;
  Uint8 g = 0;
  Uint8 b = 0;
  Uint8 a = 0;
  SDL_GetRenderDrawColor(renderer, &r, &g, &b, &a);
  const bool failed = SDL_SetRenderDrawColor(renderer, color.R, color.G, color.B, color.A) != 0 ||
                      SDL_RenderClear(renderer) != 0;
  const std::string error = failed ? SDL_GetError() : "";
  SDL_SetRenderDrawColor(renderer, r, g, b, a);
  if (failed) throw std::runtime_error("SDL_RenderClear failed: " + error);
}

namespace {

// The viewport in output pixels, as SDL_RenderReadPixels reads it.
SDL_Rect OutputViewport(SDL_Renderer* renderer) {
  SDL_Rect viewport{};
  SDL_RenderGetViewport(renderer, &viewport);
  float scaleX = 1;
  float scaleY = 1;
  SDL_RenderGetScale(renderer, &scaleX, &scaleY);
  return {0, 0, static_cast<int>(std::floor(static_cast<float>(viewport.w) * scaleX)),
          static_cast<int>(std::floor(static_cast<float>(viewport.h) * scaleY))};
}

}  // namespace

std::vector<Color> SdlGraphicsDevice::ReadViewportPixels() const {
  const SDL_Rect viewport = OutputViewport(renderer);
  std::vector<Color> pixels(static_cast<std::size_t>(std::max(viewport.w, 0)) *
                            static_cast<std::size_t>(std::max(viewport.h, 0)));
  if (pixels.empty()) return pixels;
  if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGBA32, pixels.data(),
                           viewport.w * static_cast<int>(sizeof(Color))) != 0) {
    ThrowSdlError("SDL_RenderReadPixels");
  }
  return pixels;
}

std::int32_t SdlGraphicsDevice::ViewportWidth() const { return OutputViewport(renderer).w; }

std::int32_t SdlGraphicsDevice::ViewportHeight() const { return OutputViewport(renderer).h; }

}  // namespace Vennicor::Graphics::Sdl
