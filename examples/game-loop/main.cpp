// A game loop drawing text through the OpenGL backend: a window from GLFW, a font opened by
// family name, and every frame a counter, rotating and scaled text, a dialogue box laid out
// once from markup (wrapped, a bold word, coloured words, an icon) and typed out with a waving
// word, and the frame rate.
//
//   game-loop [--frames N] [--screenshot file.png] [--font "Family Name"]
//
// With --frames the loop stops after N frames and animates on a fixed 60 Hz clock, so that a
// screenshot taken from the last frame's back buffer is the same on every run.
// libepoxy declares the GL functions; GLFW only opens the window and its context.
#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "font/Font.h"
#include "font/FontFamily.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/RichText.h"
#include "font/layout/TextLayout.h"
#include "graphics/SpriteBatch.h"
#include "graphics/opengl/OpenGLGraphicsDevice.h"
#include "graphics/software/PngFile.h"

namespace {

using namespace Vennicor;
using Graphics::Color;
using Graphics::Vector2;

struct Options {
  long Frames = -1;  // run until the window closes
  std::string Screenshot;
  std::u16string Family = u"DejaVu Sans";
};

std::u16string Widen(std::string_view text) { return {text.begin(), text.end()}; }

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    if (name == "--frames") {
      options.Frames = std::strtol(argv[i + 1], nullptr, 10);
    } else if (name == "--screenshot") {
      options.Screenshot = argv[i + 1];
    } else if (name == "--font") {
      options.Family = Widen(argv[i + 1]);
    } else {
      throw std::invalid_argument("unknown option " + std::string(name));
    }
  }
  return options;
}

/// Owns GLFW and the window; the context is current on this thread while it lives.
class Window {
 public:
  Window(int width, int height, const char* title) {
    if (glfwInit() != GLFW_TRUE) throw std::runtime_error("GLFW could not start");
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    handle = glfwCreateWindow(width, height, title, nullptr, nullptr);
    if (handle == nullptr) {
      glfwTerminate();
      throw std::runtime_error("GLFW could not open a window with an OpenGL 3.3 context");
    }
    glfwMakeContextCurrent(handle);
    glfwSwapInterval(1);
  }
  ~Window() {
    glfwDestroyWindow(handle);
    glfwTerminate();
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  GLFWwindow* Handle() const { return handle; }

 private:
  GLFWwindow* handle = nullptr;
};

/// Frames per second over the last half second, or since the start until half a second has
/// passed.
class FrameRate {
 public:
  void Tick() {
    ++frames;
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - since).count();
    if (seconds >= 0.5 || !measured) perSecond = frames / seconds;
    if (seconds >= 0.5) {
      measured = true;
      frames = 0;
      since = now;
    }
  }
  double PerSecond() const { return perSecond; }

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point since = Clock::now();
  int frames = 0;
  bool measured = false;
  double perSecond = 0;
};

void DrawText(Graphics::SpriteBatch& batch, Font::Font& font, std::u16string_view text,
              Vector2 position, Color color, float rotation = 0, Vector2 origin = {},
              Vector2 scale = {1, 1}) {
  Font::SpriteBatchEx::DrawString(batch, font, text, position, color, rotation, origin, scale,
                                  Graphics::SpriteEffects::None, 0, u'\0');
}

int Run(const Options& options) {
  Window window(640, 480, "Vennicor Font: game loop");
  Graphics::OpenGL::OpenGLGraphicsDevice device;
  Graphics::SpriteBatch batch(device);
  Font::Font body(device, options.Family, 18);
  Font::Font title(device, options.Family, 32);

  // A 1 x 1 white texture stretched into panels behind the text.
  auto white = device.CreateTexture2D(1, 1, false, Graphics::SurfaceFormat::Color);
  const Color opaqueWhite = Color::White();
  white->SetData({&opaqueWhite, 1});

  // The dialogue box's text is markup, laid out once (wrapped to the box, a bold word, a
  // coloured one, an icon that flows with the words) and drawn every frame through a hook that
  // types it out and waves the tagged word.
  Font::FontFamily family(device, options.Family);
  Font::Font& dialogueFont = family.Get(Font::FontStyle::Regular, 18);
  Font::TextLayoutOptions dialogueOptions;
  dialogueOptions.MaxWidth = 560;
  dialogueOptions.MaxLines = 4;
  const Font::RichText dialogueText = Font::RichText::FromMarkup(
      "[color=#ffc83c]Archivist:[/color] Press [img=1 18x18] to open the [b]sealed[/b] "
      "archive. The glyphs are laid out once; each frame only decides how many show and "
      "where the [tag=1][color=#5aaaff]waving[/color][/tag] word sits.",
      family, 18);
  const Font::TextLayout dialogue(dialogueFont, dialogueText, dialogueOptions);
  std::vector<std::int32_t> waving;  // glyph numbers of the tagged word
  for (std::size_t i = 0; i < dialogue.Glyphs().size(); ++i) {
    const Graphics::Vector2 at = dialogue.Glyphs()[i].Position;
    if (dialogue.TagAt({at.X + 1, at.Y - 4}) == 1) waving.push_back(static_cast<std::int32_t>(i));
  }

  FrameRate rate;
  for (long frame = 0; options.Frames < 0 || frame < options.Frames; ++frame) {
    glfwPollEvents();
    if (glfwWindowShouldClose(window.Handle())) break;
    const double time = options.Frames >= 0 ? static_cast<double>(frame) / 60.0 : glfwGetTime();
    const auto t = static_cast<float>(time);

    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window.Handle(), &width, &height);
    glViewport(0, 0, width, height);
    device.Clear(Color(24, 28, 40, 255));

    batch.Begin();
    DrawText(batch, title, u"Frame " + Widen(std::to_string(frame)), {16, 12}, Color::White());

    char fps[32];
    std::snprintf(fps, sizeof fps, "%.1f fps", rate.PerSecond());
    const std::u16string fpsText = Widen(fps);
    const Vector2 fpsSize = body.MeasureString(fpsText);
    DrawText(batch, body, fpsText, {static_cast<float>(width) - fpsSize.X - 16, 20},
             Color(120, 220, 120, 255));

    const std::u16string spin = u"Rotating text";
    const Vector2 spinSize = title.MeasureString(spin);
    DrawText(batch, title, spin, {170, 170}, Color(255, 200, 60, 255), t * 1.3F,
             {spinSize.X / 2, spinSize.Y / 2});

    const float pulse = 1.0F + 0.6F * std::sin(t * 2.0F);
    const std::u16string scaled = u"Scaled";
    const Vector2 scaledSize = title.MeasureString(scaled);
    DrawText(batch, title, scaled, {480, 170}, Color(90, 170, 255, 255), 0,
             {scaledSize.X / 2, scaledSize.Y / 2}, {pulse, pulse});

    // The dialogue box, sized by its layout.
    const Vector2 box = dialogue.Size();
    const float top = static_cast<float>(height) - 40 - box.Y;
    batch.Draw(white,
               Graphics::Rectangle{24, static_cast<int>(top) - 10, static_cast<int>(box.X) + 32,
                                   static_cast<int>(box.Y) + 20},
               std::nullopt, Color(0, 0, 0, 150));
    for (const Font::PlacedObject& icon : dialogue.Objects()) {
      batch.Draw(white,
                 Graphics::Rectangle{40 + static_cast<int>(icon.Position.X),
                                     static_cast<int>(top + icon.Position.Y),
                                     static_cast<int>(icon.Size.X), static_cast<int>(icon.Size.Y)},
                 std::nullopt, Color(80, 200, 120, 255));
    }
    const auto shown = static_cast<std::int32_t>(time * 40);  // glyphs a second, typed out
    Font::SpriteBatchEx::DrawText(
        batch, dialogue, {40, top}, Color(230, 230, 230, 255), [&](Font::GlyphDraw& glyph) {
          glyph.Visible = glyph.Index < shown;
          if (std::binary_search(waving.begin(), waving.end(), glyph.Index)) {
            glyph.Offset.Y = std::round(3 * std::sin(t * 6 + static_cast<float>(glyph.Index)));
          }
        });
    batch.End();

    const bool last = options.Frames >= 0 && frame + 1 == options.Frames;
    if (last && !options.Screenshot.empty()) {
      // Read before swapping: the back buffer holds the frame just drawn.
      Graphics::Software::SavePng(options.Screenshot, width, height, device.ReadViewportPixels());
      std::printf("saved %s\n", options.Screenshot.c_str());
    }
    glfwSwapBuffers(window.Handle());
    rate.Tick();
  }
  std::printf("%.1f frames per second\n", rate.PerSecond());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "game-loop: %s\n", error.what());
    return 1;
  }
}
