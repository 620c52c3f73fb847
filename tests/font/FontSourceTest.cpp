// One way to name a face: each kind of FontSource opens what the constructor for that kind
// opens, with FontOptions, for a font and for a fallback face; a bad source fails when opened
// with the constructors' messages.
#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "font/Font.h"
#include "font/FontException.h"
#include "font/FontSource.h"
#include "tests/support/FixtureFonts.h"
#include "tests/support/GraphicsTestDoubles.h"

namespace Vennicor::Font {
namespace {

std::vector<std::byte> Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> chars{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::byte> bytes(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) bytes[i] = static_cast<std::byte>(chars[i]);
  return bytes;
}

TEST(FontSource, EveryKindOpensWhatItsConstructorOpens) {
  Graphics::Testing::RecordingDevice device;
  const std::filesystem::path file = Testing::FixtureFont("VennicorMetrics.ttf");
  const std::string path = file.string();
  const FontOptions bold{.Bold = true};
  const Font reference(device, Testing::FixtureFontText("VennicorMetrics.ttf"), 18,
                       FontStyle::Regular, bold);
  const std::vector<std::byte> bytes = Bytes(file);

  struct Row {
    const char* Name;
    Font Opened;
  };
  Row rows[] = {
      {"File", Font(device, FontSource::File(file), 18, bold)},
      {"Family, a path", Font(device, FontSource::Family(path), 18, bold)},
      {"Family, UTF-16",
       Font(device, FontSource::Family(Testing::FixtureFontText("VennicorMetrics.ttf")), 18, bold)},
      {"Memory", Font(device, FontSource::Memory(bytes), 18, bold)},
      // The name constructors with options, which did not compile before.
      {"UTF-8 name, style and options", Font(device, path, 18, FontStyle::Regular, bold)},
      {"UTF-8 name and options", Font(device, path, 18, bold)},
      {"path and options", Font(device, file, 18, bold)},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(row.Opened.LineHeight(), reference.LineHeight());
    EXPECT_TRUE(row.Opened.Options().Bold);
    EXPECT_EQ(row.Opened.GetGlyph(U'A').Advance, reference.GetGlyph(U'A').Advance);
    EXPECT_EQ(row.Opened.GetGlyph(U'A').Bounds.Width, reference.GetGlyph(U'A').Bounds.Width);
  }
}

TEST(FontSource, FallbackFacesAndBadSources) {
  Graphics::Testing::RecordingDevice device;
  Font font(device, FontSource::File(Testing::FixtureFont("VennicorMetrics.ttf")), 18);
  EXPECT_FALSE(font.HasCharacter(U'Ω'));
  font.AddFallbackFace(FontSource::Memory(Bytes(Testing::FixtureFont("VennicorColor.ttf"))));
  EXPECT_TRUE(font.HasCharacter(U'Ω'));
  EXPECT_TRUE(font.HasCharacter(U'\U0001F600'));

  const auto message = [&](const FontSource& source) {
    try {
      Font opened(device, source, 18);
      return std::string("opened");
    } catch (const FontException& error) {
      return std::string(error.what());
    }
  };
  EXPECT_EQ(message(FontSource::File(Testing::FixtureFont("NoSuchFont.ttf"))),
            "Error openening font file");
  EXPECT_EQ(message(FontSource::File(Testing::FixtureFont("NotAFont.ttf"))),
            "Error openening font file");
  EXPECT_EQ(message(FontSource::Memory({})), "Error openening font file");
  EXPECT_THROW(font.AddFallbackFace(FontSource::File(Testing::FixtureFont("NotAFont.ttf"))),
               FontException);
  EXPECT_TRUE(font.HasCharacter(U'Ω')) << "a failed fallback changed the font";
}

}  // namespace
}  // namespace Vennicor::Font
