#include "font/layout/detail/LayoutServices.h"

#include <memory>

#include "font/faces/detail/FontFace.h"

namespace Vennicor::Font::Layout::Detail {

LayoutServices::LayoutServices(const Vennicor::Font::Detail::FontImpl& font)
    : Shaping(font.Faces().front()->Handle(), font.Faces().front()->LoadFlags(),
              font.Faces().front()->ShapingScale(), font.SubpixelSteps() > 1),
      faceGeneration(font.FaceGeneration()) {
  const std::size_t half = font.Options().LayoutCacheBytes / 2;
  Shaping.SetCacheLimit(half);
  Layouts.SetLimit(half);
  for (std::size_t face = 1; face < font.Faces().size(); ++face) {
    const Vennicor::Font::Detail::FontFace& fallback = *font.Faces()[face];
    Shaping.AddFace(fallback.Handle(), fallback.LoadFlags(), fallback.ShapingScale(),
                    font.SubpixelSteps() > 1);
  }
}

LayoutServices& LayoutServices::Of(Vennicor::Font::Detail::FontImpl& font) {
  // The font's only companion is the layout's: nothing else sets one.
  auto* services = static_cast<LayoutServices*>(font.Companion());
  if (services == nullptr) {
    auto made = std::make_unique<LayoutServices>(font);
    services = made.get();
    font.SetCompanion(std::move(made));
    return *services;
  }
  if (services->faceGeneration != font.FaceGeneration()) {
    const auto faces = font.Faces();
    for (std::size_t face = services->Shaping.FaceCount(); face < faces.size(); ++face) {
      services->Shaping.AddFace(faces[face]->Handle(), faces[face]->LoadFlags(),
                                faces[face]->ShapingScale(), font.SubpixelSteps() > 1);
    }
    services->faceGeneration = font.FaceGeneration();
    services->ClearCaches();
  }
  return *services;
}

}  // namespace Vennicor::Font::Layout::Detail
