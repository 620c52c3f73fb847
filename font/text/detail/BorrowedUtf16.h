#pragma once

#include <string>
#include <string_view>

namespace Vennicor::Font::Detail {

/// The UTF-16 form of UTF-8 text (ill-formed sequences replaced as DecodeUtf8 does), decoded
/// into a buffer of the calling thread that is reused from call to call: after the first few
/// calls a conversion allocates nothing. The buffer is taken from the thread for the object's
/// life and given back afterwards, so code that converts again meanwhile (a sprite batch's Draw
/// that draws UTF-8 text itself) gets a buffer of its own instead of changing this text.
class BorrowedUtf16 {
 public:
  explicit BorrowedUtf16(std::string_view utf8);
  ~BorrowedUtf16();
  BorrowedUtf16(const BorrowedUtf16&) = delete;
  BorrowedUtf16& operator=(const BorrowedUtf16&) = delete;

  std::u16string_view View() const { return text; }

 private:
  std::u16string text;
};

}  // namespace Vennicor::Font::Detail
