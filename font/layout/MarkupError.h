#pragma once

#include <cstdint>
#include <string>

#include "font/FontException.h"

namespace Vennicor::Font {

/// Markup that RichText::FromMarkup cannot read: what() is a plain message naming what is
/// wrong and where ("Unknown tag [blink] at byte 12"), Offset the byte of the markup it is at.
struct MarkupError : FontException {
  /// A message and the byte offset it is about.
  MarkupError(const std::string& message, std::int32_t offset)
      : FontException(message), Offset(offset) {}
  ~MarkupError() override;
  std::int32_t Offset;  ///< the byte of the markup where the error is (its size: at the end)
};

}  // namespace Vennicor::Font
