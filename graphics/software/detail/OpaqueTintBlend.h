#pragma once

#include <cstdint>

#include "graphics/Color.h"

namespace Vennicor::Graphics::Software::Detail {

/// One row of a texel copy with alpha blending and an opaque tint (tint.A == 255), in integers:
/// exactly the bytes of the floating-point formula. `step` is +1, or -1 for a mirrored row.
/// Unmirrored rows go four pixels at a time where the processor has SSE2.
void BlendRowOpaqueTint(Color* row, const Color* texels, std::int32_t count, std::int32_t step,
                        Color tint, bool whiteTint);

}  // namespace Vennicor::Graphics::Software::Detail
