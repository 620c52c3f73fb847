#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "font/FontStyle.h"

namespace Vennicor::Font {

/// Where a font face comes from, named once for every Font constructor and AddFallbackFace:
///
///     Font title(device, FontSource::Family(u"DejaVu Serif", FontStyle::Bold), 32, options);
///     title.AddFallbackFace(FontSource::File("fonts/NotoColorEmoji.ttf"));
///     Font hud(device, FontSource::Memory(packedFontBytes), 14);
///
/// A plain value: copies share the bytes of a Memory source. Making one opens nothing (errors
/// come from the Font that opens it), so a game can keep a table of sources and open them later.
class FontSource {
 public:
  /// How the face is found.
  enum class Kinds {
    Family,  ///< an installed family name (or a path), as the string constructors read text
    File,    ///< a font file, never looked up among the installed fonts
    Memory,  ///< the bytes of a font file
  };

  /// An installed font by family name and style, read exactly as Font's string constructors
  /// read their text: a path to a font file opens that file (the style is then ignored),
  /// anything else is looked up among the installed fonts.
  static FontSource Family(std::u16string_view family, FontStyle style = FontStyle::Regular) {
    FontSource source(Kinds::Family);
    source.name = family;
    source.style = style;
    return source;
  }
  /// The same with a UTF-8 name (a malformed sequence becomes U+FFFD, so it finds nothing).
  /// Allocates the UTF-16 form.
  static FontSource Family(std::string_view utf8Family, FontStyle style = FontStyle::Regular);
  /// The first face of the font file at `file`; a path that names no font is an error when the
  /// font opens, whatever fonts are installed.
  static FontSource File(std::filesystem::path file) {
    FontSource source(Kinds::File);
    source.file = std::move(file);
    return source;
  }
  /// The first face of a font file held in memory. The bytes are copied now, so the caller may
  /// free them at once; every font opened from the source copies them again (FreeType reads a
  /// face's bytes for as long as it is open).
  static FontSource Memory(std::span<const std::byte> fontData) {
    FontSource source(Kinds::Memory);
    source.data = std::make_shared<const std::vector<std::byte>>(fontData.begin(), fontData.end());
    return source;
  }

  /// How the face is found.
  Kinds Kind() const { return kind; }
  /// The family name or path of a Family source; empty for the others.
  std::u16string_view Name() const { return name; }
  /// The style of a Family source; Regular for the others.
  FontStyle Style() const { return style; }
  /// The file of a File source; empty for the others.
  const std::filesystem::path& FilePath() const { return file; }
  /// The bytes of a Memory source; empty for the others.
  std::span<const std::byte> Data() const {
    return data ? std::span<const std::byte>(*data) : std::span<const std::byte>();
  }

 private:
  explicit FontSource(Kinds kind) : kind(kind) {}

  Kinds kind;
  std::u16string name;
  FontStyle style = FontStyle::Regular;
  std::filesystem::path file;
  std::shared_ptr<const std::vector<std::byte>> data;
};

}  // namespace Vennicor::Font
