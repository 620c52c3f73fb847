#include "font/FontException.h"

namespace Vennicor::Font {

// Defined out of line so that the type's vtable and type information live in the library.
FontException::~FontException() = default;

}  // namespace Vennicor::Font
