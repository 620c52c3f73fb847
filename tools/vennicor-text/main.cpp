// vennicor-text: renders text to a PNG picture with Vennicor Font and the software backend.
// Run with --help for the options.
#include <array>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "font/text/Utf.h"
#include "graphics/software/PngFile.h"
#include "tools/vennicor-text/CommandLine.h"
#include "tools/vennicor-text/TextPicture.h"

namespace {

constexpr const char* ProgramName = "vennicor-text";

int Fail(const std::string& message, int exitCode) {
  std::fprintf(stderr, "%s: %s\n", ProgramName, message.c_str());
  return exitCode;
}

// Text beyond this would not fit any picture the tool draws; the cap also stops a read of an
// endless source such as /dev/zero.
constexpr std::size_t LargestTextFile = std::size_t{4} * 1024 * 1024;

std::string ReadTextFrom(std::istream& stream, const std::string& path) {
  std::string text;
  std::array<char, 64 * 1024> chunk{};
  while (stream) {
    stream.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto count = static_cast<std::size_t>(stream.gcount());
    if (text.size() + count > LargestTextFile) {
      throw std::runtime_error("text file '" + path + "' is larger than the limit of 4 MiB");
    }
    text.append(chunk.data(), count);
  }
  if (stream.bad()) throw std::runtime_error("cannot read text file '" + path + "'");
  return text;
}

std::string ReadTextFile(const std::string& path) {
  if (path == "-") return ReadTextFrom(std::cin, path);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read text file '" + path + "'");
  return ReadTextFrom(file, path);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace VennicorText;
  Options options;
  try {
    options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    return Fail(error.what(), 2);
  }
  if (options.ShowHelp) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }

  try {
    if (options.TextFile) options.Text = ReadTextFile(*options.TextFile);
    std::u16string text;
    if (!Vennicor::Font::AppendUtf16FromUtf8(options.Text, text)) {
      return Fail("the text is not valid UTF-8", 1);
    }

    const RenderedText rendered = RenderText(options, text, options.AtlasPath.has_value());
    Vennicor::Graphics::Software::SavePng(options.OutputPath, rendered.Text.Width,
                                          rendered.Text.Height, rendered.Text.Pixels);
    std::printf("wrote %s (%d x %d)\n", options.OutputPath.c_str(), rendered.Text.Width,
                rendered.Text.Height);
    if (rendered.Atlas) {
      Vennicor::Graphics::Software::SavePng(*options.AtlasPath, rendered.Atlas->Width,
                                            rendered.Atlas->Height, rendered.Atlas->Pixels);
      std::printf("wrote %s (%d x %d)\n", options.AtlasPath->c_str(), rendered.Atlas->Width,
                  rendered.Atlas->Height);
    }
    return 0;
  } catch (const std::exception& error) {
    return Fail(error.what(), 1);
  }
}
