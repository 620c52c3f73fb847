#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace Vennicor::Font::Detail {

/// The bytes of a regular file of at most `maxBytes`; nothing when it is missing, larger or
/// cannot be read whole. Reads the size first, so a larger file costs nothing.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                       std::size_t maxBytes);

/// Writes `bytes` to a new file beside `file`, flushes it to the disk, then renames it over
/// `file`: a reader sees the old file or the new one, never a part. False when any step fails;
/// `file` is then as it was and the new file is removed. A device or a pipe is written
/// directly, so that it stays what it is.
bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

}  // namespace Vennicor::Font::Detail
