#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MULTIPLE_MASTERS_H

namespace Vennicor::Font {

/// The axes and named instances of a variable face (FT_Get_MM_Var), released when this goes.
/// Empty for a face without variations or whose variations FreeType cannot read. The face must
/// stay open while this lives; use it on the thread that uses the face.
class VariationAxes {
 public:
  explicit VariationAxes(FT_Face face) {
    if (FT_HAS_MULTIPLE_MASTERS(face) && FT_Get_MM_Var(face, &axes) == 0) {
      library = face->glyph->library;
    } else {
      axes = nullptr;
    }
  }
  ~VariationAxes() {
    if (axes != nullptr) FT_Done_MM_Var(library, axes);
  }
  VariationAxes(const VariationAxes&) = delete;
  VariationAxes& operator=(const VariationAxes&) = delete;

  explicit operator bool() const { return axes != nullptr; }
  const FT_MM_Var& operator*() const { return *axes; }
  const FT_MM_Var* operator->() const { return axes; }

 private:
  FT_Library library = nullptr;
  FT_MM_Var* axes = nullptr;
};

}  // namespace Vennicor::Font
