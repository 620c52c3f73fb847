#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace Vennicor::Font::Detail {

/// Makes room for `count` more elements, so that appending them cannot fail, growing the
/// capacity at least twofold: `reserve(size() + 1)` allocates exactly that, so calling it before
/// every append copies the whole vector each time.
template <class T>
void ReserveMore(std::vector<T>& vector, std::size_t count = 1) {
  const std::size_t wanted = vector.size() + count;
  if (wanted > vector.capacity()) vector.reserve(std::max(wanted, vector.capacity() * 2));
}

}  // namespace Vennicor::Font::Detail
