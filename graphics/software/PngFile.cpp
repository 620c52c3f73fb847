#include "graphics/software/PngFile.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace Vennicor::Graphics::Software {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file by its real name: on Windows the narrow functions would see the path through
// the ANSI code page and lose the characters it lacks.
File OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return File(_wfopen(path.c_str(), wideMode.c_str()));
#else
  return File(std::fopen(path.c_str(), mode));
#endif
}

// The path for an error message, as UTF-8 (path::string() may throw on Windows).
std::string Describe(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// Writes through libpng's simplified API, which reports errors by result rather than by
// longjmp, so nothing has to unwind through libpng's frames.
bool WritePng(std::FILE* file, std::int32_t width, std::int32_t height,
              std::span<const Color> pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  const bool written = png_image_write_to_stdio(&image, file, 0, pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return written && std::fflush(file) == 0 && std::ferror(file) == 0;
}

bool IsDeviceOrPipe(std::filesystem::file_type type) {
  using std::filesystem::file_type;
  return type == file_type::character || type == file_type::block || type == file_type::fifo ||
         type == file_type::socket;
}

}  // namespace

void SavePng(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
             std::span<const Color> pixels) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw std::invalid_argument("PNG size does not match its pixels");
  }
  const std::string failure = "Could not write " + Describe(path);
  // A device or a pipe (/dev/null, /dev/stdout, a FIFO) takes the bytes as they come: a rename
  // over it would put a file in its place.
  std::error_code status;
  if (IsDeviceOrPipe(std::filesystem::status(path, status).type())) {
    File file = OpenFile(path, "wb");
    if (!file) throw std::runtime_error(failure);
    const bool written = WritePng(file.get(), width, height, pixels);
    if (std::fclose(file.release()) != 0 || !written) throw std::runtime_error(failure);
    return;
  }
  std::filesystem::path temporary = path;
  temporary += ".partial";
  const auto discard = [&] {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
  };

  File file = OpenFile(temporary, "wb");
  if (!file) throw std::runtime_error(failure);
  const bool written = WritePng(file.get(), width, height, pixels);
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) {
    discard();
    throw std::runtime_error(failure);
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    discard();
    throw std::runtime_error(failure);
  }
}

PngImage LoadPng(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  const std::string failure = "Could not read PNG " + Describe(path);
  const File file = OpenFile(path, "rb");
  if (!file || png_image_begin_read_from_stdio(&image, file.get()) == 0) {
    throw std::runtime_error(failure);
  }
  // From here libpng holds state until the read finishes or the image is freed; the pixel
  // allocation below may throw.
  struct Release {
    png_image& Image;
    ~Release() { png_image_free(&Image); }
  } release{image};
  image.format = PNG_FORMAT_RGBA;
  PngImage result;
  result.Width = static_cast<std::int32_t>(image.width);
  result.Height = static_cast<std::int32_t>(image.height);
  result.Pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  if (png_image_finish_read(&image, nullptr, result.Pixels.data(), 0, nullptr) == 0) {
    throw std::runtime_error(failure);
  }
  return result;
}

}  // namespace Vennicor::Graphics::Software
