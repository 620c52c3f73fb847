// vennicor-text: renders text to a PNG picture with Vennicor Font and the software backend.
// Run with --help for the options.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
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

std::string ReadTextFile(const std::string& path) {
  if (path == "-") {
    return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
  }
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  if (file) content << file.rdbuf();
  if (!file || file.bad()) throw std::runtime_error("cannot read text file '" + path + "'");
  return content.str();
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
