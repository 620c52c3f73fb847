// RichText::FromMarkup: BBCode-like tags over UTF-8 text, read in one pass with a bounded stack
// of open tags, so that markup from players and modders costs time and memory linear in its
// length.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "font/FontFamily.h"
#include "font/layout/RichText.h"

namespace Vennicor::Font {

namespace {

constexpr std::size_t MaxOpenTags = 64;
constexpr std::size_t MaxFonts = 16;
constexpr std::size_t MaxTagLength = 256;
constexpr float MaxMarkupSize = 512;

struct Open {
  std::string Name;
  std::int32_t Offset = 0;
  TextStyle Style;
  FontStyle Face = FontStyle::Regular;
  float Size = 0;
  bool OwnFont = false;  // [font=NAME]: [b] and [i] leave it as it is
};

std::string At(std::string_view what, std::int32_t offset) {
  std::ostringstream message;
  message << what << " at byte " << offset;
  return message.str();
}

bool ParseHex(std::string_view text, Graphics::Color& color) {
  if (text.size() != 7 && text.size() != 9) return false;
  if (text[0] != '#') return false;
  int parts[4] = {0, 0, 0, 255};
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const auto [end, error] =
        std::from_chars(text.data() + 1 + i, text.data() + 3 + i, parts[i / 2], 16);
    if (error != std::errc() || end != text.data() + 3 + i) return false;
  }
  // Markup colours are straight alpha, as written; the library draws premultiplied.
  const int a = parts[3];
  color = Graphics::Color(parts[0] * a / 255, parts[1] * a / 255, parts[2] * a / 255, a);
  return true;
}

bool ParseInt(std::string_view text, std::int32_t& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseFeature(std::string_view text, OpenTypeFeature& feature) {
  std::uint32_t value = 1;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    value = text[0] == '-' ? 0 : 1;
    text.remove_prefix(1);
  }
  if (const auto equals = text.find('='); equals != std::string_view::npos) {
    std::int32_t number = 0;
    if (!ParseInt(text.substr(equals + 1), number) || number < 0) return false;
    value = static_cast<std::uint32_t>(number);
    text = text.substr(0, equals);
  }
  if (text.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (text[i] < 0x20 || text[i] > 0x7E) return false;
    feature.Tag[i] = text[i];
  }
  feature.Value = value;
  return true;
}

bool IsLanguage(std::string_view text) {
  if (text.empty() || text.size() > 35) return false;
  for (const char c : text) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (!ok) return false;
  }
  return true;
}

class MarkupReader {
 public:
  MarkupReader(std::string_view markup, FontFamily& family, float size,
               const MarkupOptions& options)
      : markup(markup), family(family), options(options) {
    Open base;
    base.Size = size;
    base.Style.Font = &UseFont(FontStyle::Regular, size, 0);
    stack.push_back(std::move(base));
  }

  RichText Read() {
    std::size_t i = 0;
    std::size_t textStart = 0;
    while (i < markup.size()) {
      if (markup[i] != '[') {
        ++i;
        continue;
      }
      Flush(textStart, i);
      if (i + 1 < markup.size() && markup[i + 1] == '[') {
        Text("[");
        i += 2;
        textStart = i;
        continue;
      }
      const std::size_t close = markup.find(']', i + 1);
      const auto offset = static_cast<std::int32_t>(i);
      if (close == std::string_view::npos || close - i - 1 > MaxTagLength) {
        Fail(close == std::string_view::npos ? "A tag is not closed with ]" : "A tag is too long",
             offset, i, close == std::string_view::npos ? markup.size() : close + 1);
        i = close == std::string_view::npos ? markup.size() : close + 1;
        textStart = i;
        continue;
      }
      Tag(markup.substr(i + 1, close - i - 1), offset, i, close + 1);
      i = close + 1;
      textStart = i;
    }
    Flush(textStart, markup.size());
    if (stack.size() > 1 && !options.Lenient) {
      const Open& open = stack.back();
      std::ostringstream message;
      message << "Tag [" << open.Name << "] opened at byte " << open.Offset << " is never closed";
      throw MarkupError(message.str(), open.Offset);
    }
    return std::move(text);
  }

 private:
  Font& UseFont(FontStyle face, float size, std::int32_t offset) {
    used.insert({static_cast<int>(face), size});
    if (used.size() > MaxFonts)
      throw MarkupError(At("Too many font sizes and styles", offset), offset);
    return family.Get(face, size);
  }

  void Flush(std::size_t from, std::size_t to) {
    if (to > from) Text(markup.substr(from, to - from));
  }
  void Text(std::string_view utf8) { text.Append(utf8, stack.back().Style); }

  // A malformed tag: an error, or in the lenient mode the tag as text.
  void Fail(std::string_view what, std::int32_t offset, std::size_t from, std::size_t to) {
    if (!options.Lenient) throw MarkupError(At(what, offset), offset);
    Flush(from, to);
  }

  void Tag(std::string_view body, std::int32_t offset, std::size_t from, std::size_t to) {
    if (!body.empty() && body[0] == '/') {
      const std::string_view name = body.substr(1);
      std::size_t k = stack.size();
      while (k > 1 && stack[k - 1].Name != name) --k;
      if (k <= 1) {
        Fail("A closing tag closes nothing open", offset, from, to);
        return;
      }
      if (k != stack.size() && !options.Lenient) {
        std::ostringstream message;
        message << "Tag [/" << name << "] closes [" << stack.back().Name << "] opened at byte "
                << stack.back().Offset;
        throw MarkupError(At(message.str(), offset), offset);
      }
      stack.resize(k - 1);
      return;
    }
    const std::size_t equals = body.find('=');
    const std::string_view name = body.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : body.substr(equals + 1);
    const bool hasValue = equals != std::string_view::npos;
    if (name == "img") {
      // [img=ID WxH]: an object, no closing tag.
      const std::size_t space = value.find(' ');
      const std::size_t by = value.find('x', space == std::string_view::npos ? 0 : space);
      std::int32_t id = 0;
      std::int32_t width = 0;
      std::int32_t height = 0;
      if (space == std::string_view::npos || by == std::string_view::npos ||
          !ParseInt(value.substr(0, space), id) ||
          !ParseInt(value.substr(space + 1, by - space - 1), width) ||
          !ParseInt(value.substr(by + 1), height) || width < 0 || height < 0 || width > 4096 ||
          height > 4096) {
        Fail("Bad image, not [img=ID WxH]", offset, from, to);
        return;
      }
      InlineObject object;
      object.Id = id;
      object.Size = {static_cast<float>(width), static_cast<float>(height)};
      object.Baseline = static_cast<float>(height);
      text.AppendObject(object, stack.back().Style);
      return;
    }
    if (stack.size() > MaxOpenTags) {
      if (!options.Lenient) throw MarkupError(At("Too many tags open at once", offset), offset);
      Flush(from, to);
      return;
    }
    Open open = stack.back();
    open.Name = std::string(name);
    open.Offset = offset;
    const auto restyle = [&](FontStyle face, float size) {
      open.Face = face;
      open.Size = size;
      if (!open.OwnFont) open.Style.Font = &UseFont(face, size, offset);
    };
    bool ok = true;
    if ((name == "b" || name == "i" || name == "u" || name == "s" || name == "sup" ||
         name == "sub") &&
        hasValue) {
      ok = false;
    } else if (name == "b") {
      restyle(open.Face | FontStyle::Bold, open.Size);
    } else if (name == "i") {
      restyle(open.Face | FontStyle::Italic, open.Size);
    } else if (name == "u") {
      open.Style.Decorations = open.Style.Decorations | TextDecoration::Underline;
    } else if (name == "s") {
      open.Style.Decorations = open.Style.Decorations | TextDecoration::Strikethrough;
    } else if (name == "sup" || name == "sub") {
      const float shift = std::round(open.Size / 3);
      open.Style.BaselineShift += name == "sup" ? shift : -shift;
      restyle(open.Face, std::max(1.0F, std::round(open.Size * 0.7F)));
    } else if (name == "color" || name == "bg") {
      Graphics::Color color;
      ok = ParseHex(value, color);
      if (ok && name == "color") open.Style.Color = color;
      if (ok && name == "bg") open.Style.Background = color;
      if (!ok) {
        Fail("Bad colour, not #rrggbb or #rrggbbaa", offset, from, to);
        return;
      }
    } else if (name == "size") {
      std::int32_t size = 0;
      if (!ParseInt(value, size) || size < 1 || static_cast<float>(size) > MaxMarkupSize) {
        Fail("Bad size, not a whole number of pixels from 1 to 512", offset, from, to);
        return;
      }
      restyle(open.Face, static_cast<float>(size));
    } else if (name == "tag") {
      if (!ParseInt(value, open.Style.Tag)) {
        Fail("Bad tag number", offset, from, to);
        return;
      }
    } else if (name == "lang") {
      if (!IsLanguage(value)) {
        Fail("Bad language, not a BCP 47 tag", offset, from, to);
        return;
      }
      open.Style.Language = std::string(value);
    } else if (name == "feature") {
      OpenTypeFeature feature;
      if (!ParseFeature(value, feature) || open.Style.Features.size() >= MaxOpenTags) {
        Fail("Bad feature, not a four-letter OpenType tag", offset, from, to);
        return;
      }
      open.Style.Features.push_back(feature);
    } else if (name == "font") {
      Font* picked = nullptr;
      for (const auto& [fontName, font] : options.Fonts) {
        if (fontName == value) picked = font;
      }
      if (picked == nullptr) {
        Fail("Unknown font name", offset, from, to);
        return;
      }
      open.Style.Font = picked;
      open.OwnFont = true;
    } else {
      ok = false;
    }
    if (!ok) {
      std::ostringstream message;
      message << "Unknown tag [" << body << "]";
      Fail(message.str(), offset, from, to);
      return;
    }
    stack.push_back(std::move(open));
  }

  std::string_view markup;
  FontFamily& family;
  const MarkupOptions& options;
  std::vector<Open> stack;
  std::set<std::pair<int, float>> used;
  RichText text;
};

}  // namespace

RichText RichText::FromMarkup(std::string_view utf8Markup, FontFamily& family, float size) {
  return FromMarkup(utf8Markup, family, size, {});
}

RichText RichText::FromMarkup(std::string_view utf8Markup, FontFamily& family, float size,
                              const MarkupOptions& options) {
  return MarkupReader(utf8Markup, family, size, options).Read();
}

}  // namespace Vennicor::Font
