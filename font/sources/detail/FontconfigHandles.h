#pragma once
// Owners of fontconfig's objects, so that each is destroyed on every path, errors included.
#ifndef _WIN32

#include <fontconfig/fontconfig.h>

#include <memory>

namespace Vennicor::Font::Detail {

struct FcPatternDestroyer {
  void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
struct FcObjectSetDestroyer {
  void operator()(FcObjectSet* objectSet) const noexcept { FcObjectSetDestroy(objectSet); }
};
struct FcFontSetDestroyer {
  void operator()(FcFontSet* fontSet) const noexcept { FcFontSetDestroy(fontSet); }
};
struct FcCharSetDestroyer {
  void operator()(FcCharSet* charSet) const noexcept { FcCharSetDestroy(charSet); }
};
struct FcStringFreer {
  void operator()(FcChar8* text) const noexcept { FcStrFree(text); }
};

using FcPatternHandle = std::unique_ptr<FcPattern, FcPatternDestroyer>;
using FcObjectSetHandle = std::unique_ptr<FcObjectSet, FcObjectSetDestroyer>;
using FcFontSetHandle = std::unique_ptr<FcFontSet, FcFontSetDestroyer>;
using FcCharSetHandle = std::unique_ptr<FcCharSet, FcCharSetDestroyer>;
using FcStringHandle = std::unique_ptr<FcChar8, FcStringFreer>;

}  // namespace Vennicor::Font::Detail

#endif
