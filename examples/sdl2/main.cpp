// A game loop drawing text through the SDL2 backend: the game makes the window and the
// SDL_Renderer, the library draws into it. Every frame: a counter, rotating, scaled and
// flipped text, a measured panel, and the frame rate.
//
//   sdl2 [--frames N] [--screenshot file.png] [--font "Family Name"] [--software]
//
// With --frames the loop stops after N frames and animates on a fixed 60 Hz clock, so that a
// screenshot taken from the last frame is the same on every run. --software asks SDL for its
// software renderer instead of an accelerated one.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "graphics/SpriteBatch.h"
#include "graphics/sdl/SdlGraphicsDevice.h"
#include "graphics/software/PngFile.h"

namespace {

using namespace Vennicor;
using Graphics::Color;
using Graphics::Vector2;

struct Options {
  long Frames = -1;  // run until the window closes
  std::string Screenshot;
  std::u16string Family = u"DejaVu Sans";
  bool Software = false;
};

std::u16string Widen(std::string_view text) { return {text.begin(), text.end()}; }

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--software") {
      options.Software = true;
      continue;
    }
    if (i + 1 >= argc)
      throw std::invalid_argument("option " + std::string(name) + " needs a value");
    const char* value = argv[++i];
    if (name == "--frames") {
      options.Frames = std::strtol(value, nullptr, 10);
    } else if (name == "--screenshot") {
      options.Screenshot = value;
    } else if (name == "--font") {
      options.Family = Widen(value);
    } else {
      throw std::invalid_argument("unknown option " + std::string(name));
    }
  }
  return options;
}

[[noreturn]] void ThrowSdlError(const char* what) {
  throw std::runtime_error(std::string(what) + " failed: " + SDL_GetError());
}

/// Owns SDL's video subsystem, the window and its renderer, released in reverse order.
class Window {
 public:
  Window(int width, int height, const char* title, bool software) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) ThrowSdlError("SDL_Init");
    window =
        SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, 0);
    if (window != nullptr) {
      renderer = SDL_CreateRenderer(window, -1,
                                    software ? SDL_RENDERER_SOFTWARE : SDL_RENDERER_PRESENTVSYNC);
    }
    if (renderer == nullptr) {
      const std::string error = SDL_GetError();
      Release();
      throw std::runtime_error("SDL could not open a window with a renderer: " + error);
    }
  }
  ~Window() { Release(); }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  SDL_Renderer* Renderer() const { return renderer; }

 private:
  void Release() noexcept {
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (window != nullptr) SDL_DestroyWindow(window);
    SDL_Quit();
  }

  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
};

void DrawText(Graphics::SpriteBatch& batch, Font::Font& font, std::u16string_view text,
              Vector2 position, Color color, float rotation = 0, Vector2 origin = {},
              Vector2 scale = {1, 1},
              Graphics::SpriteEffects effects = Graphics::SpriteEffects::None) {
  Font::SpriteBatchEx::DrawString(batch, font, text, position, color, rotation, origin, scale,
                                  effects, 0, u'\0');
}

int Run(const Options& options) {
  Window window(640, 480, "Vennicor Font: SDL2", options.Software);
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(window.Renderer(), &info);

  {  // the device, fonts and textures go before the renderer does
    Graphics::Sdl::SdlGraphicsDevice device(window.Renderer());
    std::printf("renderer %s, premultiplied blending %s\n", info.name,
                device.HasPremultipliedBlend() ? "native" : "through straight-alpha copies");
    Graphics::SpriteBatch batch(device);
    Font::Font body(device, options.Family, 18);
    Font::Font title(device, options.Family, 32);

    // A 1 x 1 white texture stretched into a panel behind the text.
    auto white = device.CreateTexture2D(1, 1, false, Graphics::SurfaceFormat::Color);
    const Color opaqueWhite = Color::White();
    white->SetData({&opaqueWhite, 1});

    const Uint64 start = SDL_GetPerformanceCounter();
    Uint64 rateSince = start;
    long rateFrames = 0;
    double perSecond = 0;
    for (long frame = 0; options.Frames < 0 || frame < options.Frames; ++frame) {
      bool quit = false;
      for (SDL_Event event; SDL_PollEvent(&event) != 0;) quit = quit || event.type == SDL_QUIT;
      if (quit) break;
      const Uint64 now = SDL_GetPerformanceCounter();
      const double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
      const double time = options.Frames >= 0 ? static_cast<double>(frame) / 60.0
                                              : static_cast<double>(now - start) / frequency;
      const auto t = static_cast<float>(time);

      int width = 0;
      int height = 0;
      SDL_GetRendererOutputSize(window.Renderer(), &width, &height);
      device.Clear(Color(24, 28, 40, 255));

      batch.Begin();
      DrawText(batch, title, u"Frame " + Widen(std::to_string(frame)), {16, 12}, Color::White());

      char fps[32];
      std::snprintf(fps, sizeof fps, "%.1f fps", perSecond);
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
      DrawText(batch, title, u"Mirrored", {400, 250}, Color(230, 120, 200, 255), 0, {}, {1, 1},
               Graphics::SpriteEffects::FlipHorizontally);

      const std::u16string note = u"SDL_RenderGeometry into the game's own renderer";
      const Vector2 noteSize = body.MeasureString(note);
      const float top = static_cast<float>(height) - 40 - noteSize.Y;
      batch.Draw(
          white,
          Graphics::Rectangle{24, static_cast<int>(top) - 10, static_cast<int>(noteSize.X) + 32,
                              static_cast<int>(noteSize.Y) + 20},
          std::nullopt, Color(0, 0, 0, 150));
      DrawText(batch, body, note, {40, top}, Color(230, 230, 230, 255));
      batch.End();

      const bool last = options.Frames >= 0 && frame + 1 == options.Frames;
      if (last && !options.Screenshot.empty()) {
        // Read before presenting: the back buffer holds the frame just drawn.
        Graphics::Software::SavePng(options.Screenshot, device.ViewportWidth(),
                                    device.ViewportHeight(), device.ReadViewportPixels());
        std::printf("saved %s\n", options.Screenshot.c_str());
      }
      SDL_RenderPresent(window.Renderer());

      ++rateFrames;
      const double seconds =
          static_cast<double>(SDL_GetPerformanceCounter() - rateSince) / frequency;
      if (seconds >= 0.5 || perSecond == 0) perSecond = static_cast<double>(rateFrames) / seconds;
      if (seconds >= 0.5) {
        rateFrames = 0;
        rateSince = SDL_GetPerformanceCounter();
      }
    }
    std::printf("%.1f frames per second\n", perSecond);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "sdl2: %s\n", error.what());
    return 1;
  }
}
