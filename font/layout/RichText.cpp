#include "font/layout/RichText.h"

#include <cstddef>
#include <limits>

#include "font/FontException.h"
#include "font/text/Utf.h"

namespace Vennicor::Font {

MarkupError::~MarkupError() = default;

namespace {

// As TextLayout's bound: the layout's indices are 32-bit with room to spare.
constexpr std::size_t MaxUnits =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2);

}  // namespace

void RichText::Add(std::u16string_view more, const TextStyle& style, const InlineObject* object) {
  if (more.empty()) return;
  if (more.size() > MaxUnits - text.size()) throw FontException(Messages::TextTooLong);
  const auto start = static_cast<std::int32_t>(text.size());
  const auto length = static_cast<std::int32_t>(more.size());
  if (object == nullptr && !runs.empty() && !runs.back().Object && runs.back().Style == style) {
    runs.back().Length += length;
  } else {
    StyledRun& run = runs.emplace_back();
    run.Start = start;
    run.Length = length;
    run.Style = style;
    if (object != nullptr) run.Object = *object;
  }
  text.append(more);
}

RichText& RichText::Append(std::u16string_view more, const TextStyle& style) {
  Add(more, style, nullptr);
  return *this;
}

RichText& RichText::Append(std::string_view utf8Text, const TextStyle& style) {
  Add(Utf8ToUtf16(utf8Text), style, nullptr);
  return *this;
}

RichText& RichText::AppendObject(const InlineObject& object, const TextStyle& style) {
  Add(u"\uFFFC", style, &object);
  return *this;
}

}  // namespace Vennicor::Font
