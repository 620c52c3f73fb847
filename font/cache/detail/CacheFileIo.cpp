#include "font/cache/detail/CacheFileIo.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace Vennicor::Font::Detail {

namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, CloseFile>;

// Through the wide-character name on Windows, as font files are opened.
FileHandle Open(const std::filesystem::path& file, bool write) {
#ifdef _WIN32
  return FileHandle(_wfopen(file.c_str(), write ? L"wb" : L"rb"));
#else
  return FileHandle(std::fopen(file.c_str(), write ? "wb" : "rb"));
#endif
}

// A name no other writer in this or another process picks at the same moment.
std::filesystem::path TemporaryBeside(const std::filesystem::path& file) {
  static std::atomic<std::uint64_t> counter{0};
#ifdef _WIN32
  const auto process = static_cast<std::uint64_t>(GetCurrentProcessId());
#else
  const auto process = static_cast<std::uint64_t>(getpid());
#endif
  const auto now =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::ostringstream suffix;
  suffix << ".tmp-" << process << '-' << counter.fetch_add(1) << '-' << (now & 0xFFFFFFU);
  std::filesystem::path temporary = file;
  temporary += suffix.str();
  return temporary;
}

bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

bool Replace(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return !error;
#endif
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                       std::size_t maxBytes) {
  std::error_code error;
  if (file.empty() || !std::filesystem::is_regular_file(file, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size > maxBytes) return std::nullopt;
  const FileHandle handle = Open(file, false);
  if (!handle) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), handle.get()) != bytes.size()) return std::nullopt;
  // A file that grew since its size was read is not the file that was measured.
  if (std::fgetc(handle.get()) != EOF) return std::nullopt;
  return bytes;
}

bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
  // A device or a pipe takes the bytes as they come: a rename over it would put a file in its
  // place (/dev/null among them).
  std::error_code status;
  const std::filesystem::file_type type = std::filesystem::status(file, status).type();
  if (type == std::filesystem::file_type::character || type == std::filesystem::file_type::block ||
      type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::socket) {
    FileHandle handle = Open(file, true);
    if (!handle) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), handle.get()) == bytes.size();
    return std::fclose(handle.release()) == 0 && written;
  }
  const std::filesystem::path temporary = TemporaryBeside(file);
  bool written = false;
  {
    FileHandle handle = Open(temporary, true);
    if (!handle) return false;
    written = std::fwrite(bytes.data(), 1, bytes.size(), handle.get()) == bytes.size() &&
              FlushToDisk(handle.get());
    written = std::fclose(handle.release()) == 0 && written;
  }
  if (written && Replace(temporary, file)) return true;
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  return false;
}

}  // namespace Vennicor::Font::Detail
