#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>

namespace Vennicor::Font {

/// Closes a FreeType face. The face's library must still be up when this runs.
struct FaceCloser {
  void operator()(FT_Face face) const noexcept { FT_Done_Face(face); }
};

/// An open FreeType face that is closed when the handle goes away. Declare it after the
/// FreeTypeManager it was opened through, so the face is closed before the library goes down.
using FaceHandle = std::unique_ptr<FT_FaceRec_, FaceCloser>;

}  // namespace Vennicor::Font
