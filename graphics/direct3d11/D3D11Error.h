#pragma once

// (Not installed.) Direct3D failures as exceptions.

#include <windows.h>

namespace Vennicor::Graphics::Direct3D11 {

/// \throws std::runtime_error naming `call` and the HRESULT (with the device's removal reason
///         when the device was lost) unless `result` succeeded.
void ThrowIfFailed(long result, const char* call);

}  // namespace Vennicor::Graphics::Direct3D11
