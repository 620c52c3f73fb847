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

}  // namespace

void SavePng(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
             std::span<const Color> pixels) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw std::invalid_argument("PNG size does not match its pixels");
  }
  std::filesystem::path temporary = path;
  temporary += ".partial";
  const std::string failure = "Could not write " + path.string();
  const auto discard = [&] {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
  };

  File file(std::fopen(temporary.string().c_str(), "wb"));
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
  const std::string failure = "Could not read PNG " + path.string();
  if (png_image_begin_read_from_file(&image, path.string().c_str()) == 0) {
    throw std::runtime_error(failure);
  }
  // From here libpng holds the open file until the read finishes or the image is freed; the
  // pixel allocation below may throw.
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
