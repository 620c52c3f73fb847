#include "graphics/direct3d11/D3D11Error.h"

#include <ios>
#include <sstream>
#include <stdexcept>

namespace Vennicor::Graphics::Direct3D11 {

void ThrowIfFailed(long result, const char* call) {
  if (SUCCEEDED(result)) return;
  // A stream, not string concatenation: mingw's GCC 12 sees false overlaps (-Wrestrict) there.
  std::ostringstream message;
  message << call << " failed with HRESULT 0x" << std::hex << static_cast<unsigned long>(result);
  if (result == DXGI_ERROR_DEVICE_REMOVED || result == DXGI_ERROR_DEVICE_RESET) {
    message << " (the Direct3D device was lost)";
  }
  throw std::runtime_error(message.str());
}

}  // namespace Vennicor::Graphics::Direct3D11
