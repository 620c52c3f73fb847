// A game loop drawing text through the Direct3D 11 backend: the game makes the window, the
// device and the swap chain, the library draws into the bound back buffer. Every frame: a
// counter, rotating and scaled text, a dialogue box laid out once with TextLayout (wrapped,
// with the speaker's name in colour) and the frame rate, as the OpenGL game loop draws them.
//
//   d3d11 [--frames N] [--screenshot file.png] [--font "Family Name" or file]
//
// With --frames the loop stops after N frames and animates on a fixed 60 Hz clock, so that a
// screenshot taken from the last frame's back buffer is the same on every run.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <d3d11.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <ios>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "font/Font.h"
#include "font/drawing/SpriteBatchEx.h"
#include "font/layout/TextLayout.h"
#include "graphics/SpriteBatch.h"
#include "graphics/direct3d11/Direct3D11GraphicsDevice.h"
#include "graphics/software/PngFile.h"

namespace {

using namespace Vennicor;
using Graphics::Color;
using Graphics::Vector2;
using Microsoft::WRL::ComPtr;

struct Options {
  long Frames = -1;  // run until the window closes
  std::string Screenshot;
  std::u16string Family = u"DejaVu Sans";
};

std::u16string Widen(std::string_view text) { return {text.begin(), text.end()}; }

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) throw std::invalid_argument("option " + name + " needs a value");
    const char* value = argv[++i];
    if (name == "--frames") {
      options.Frames = std::strtol(value, nullptr, 10);
    } else if (name == "--screenshot") {
      options.Screenshot = value;
    } else if (name == "--font") {
      options.Family = Widen(value);
    } else {
      throw std::invalid_argument("unknown option " + name);
    }
  }
  return options;
}

void Check(HRESULT result, const char* call) {
  if (SUCCEEDED(result)) return;
  std::ostringstream message;
  message << call << " failed with HRESULT 0x" << std::hex << static_cast<unsigned long>(result);
  throw std::runtime_error(message.str());
}

bool closed = false;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    closed = true;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

/// The game's side: a window, a device with its immediate context, and a swap chain whose back
/// buffer is bound as the render target.
class Window {
 public:
  Window(int width, int height, const wchar_t* title) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = L"VennicorD3D11Example";
    if (RegisterClassW(&windowClass) == 0) throw std::runtime_error("RegisterClass failed");
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    handle =
        CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                        nullptr, windowClass.hInstance, nullptr);
    if (handle == nullptr) {
      throw std::runtime_error("CreateWindow failed (is there a display? under Wine: xvfb-run)");
    }
    ShowWindow(handle, SW_SHOW);

    DXGI_SWAP_CHAIN_DESC chain{};
    chain.BufferDesc.Width = static_cast<UINT>(width);
    chain.BufferDesc.Height = static_cast<UINT>(height);
    chain.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    chain.SampleDesc.Count = 1;
    chain.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    chain.BufferCount = 1;
    chain.OutputWindow = handle;
    chain.Windowed = TRUE;
    chain.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    Check(D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                        D3D11_SDK_VERSION, &chain, &swapChain, &device, nullptr,
                                        &context),
          "D3D11CreateDeviceAndSwapChain");
    BindBackBuffer();
  }
  ~Window() {
    if (context != nullptr) context->ClearState();
    target.Reset();
    swapChain.Reset();
    context.Reset();
    device.Reset();
    if (handle != nullptr) DestroyWindow(handle);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  ID3D11Device* Device() const { return device.Get(); }
  ID3D11DeviceContext* Context() const { return context.Get(); }
  int Width() const { return width; }
  int Height() const { return height; }

  /// Follows the window's client size: resizes the swap chain when it changed, and binds its
  /// back buffer with a viewport that covers it.
  void BindBackBuffer() {
    RECT client{};
    GetClientRect(handle, &client);
    const int newWidth = std::max(1L, client.right - client.left);
    const int newHeight = std::max(1L, client.bottom - client.top);
    if (target == nullptr || newWidth != width || newHeight != height) {
      context->OMSetRenderTargets(0, nullptr, nullptr);
      target.Reset();
      if (width != 0) {
        Check(swapChain->ResizeBuffers(0, static_cast<UINT>(newWidth), static_cast<UINT>(newHeight),
                                       DXGI_FORMAT_UNKNOWN, 0),
              "IDXGISwapChain::ResizeBuffers");
      }
      ComPtr<ID3D11Texture2D> backBuffer;
      Check(swapChain->GetBuffer(0, IID_PPV_ARGS(&backBuffer)), "IDXGISwapChain::GetBuffer");
      Check(device->CreateRenderTargetView(backBuffer.Get(), nullptr, &target),
            "CreateRenderTargetView");
      width = newWidth;
      height = newHeight;
    }
    ID3D11RenderTargetView* const targets[] = {target.Get()};
    context->OMSetRenderTargets(1, targets, nullptr);
    const D3D11_VIEWPORT viewport{0, 0, static_cast<float>(width), static_cast<float>(height),
                                  0, 1};
    context->RSSetViewports(1, &viewport);
  }

  void Present() { Check(swapChain->Present(1, 0), "IDXGISwapChain::Present"); }

 private:
  HWND handle = nullptr;
  ComPtr<ID3D11Device> device;
  ComPtr<ID3D11DeviceContext> context;
  ComPtr<IDXGISwapChain> swapChain;
  ComPtr<ID3D11RenderTargetView> target;
  int width = 0;
  int height = 0;
};

double Seconds() {
  LARGE_INTEGER now{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void DrawLine(Graphics::SpriteBatch& batch, Font::Font& font, std::u16string_view text,
              Vector2 position, Color color, float rotation = 0, Vector2 origin = {},
              Vector2 scale = {1, 1}) {
  Font::SpriteBatchEx::DrawString(batch, font, text, position, color, rotation, origin, scale,
                                  Graphics::SpriteEffects::None, 0, u'\0');
}

int Run(const Options& options) {
  Window window(640, 480, L"Vennicor Font: Direct3D 11");
  // The device, fonts and textures go before the window's Direct3D objects do.
  Graphics::Direct3D11::Direct3D11GraphicsDevice device(window.Device(), window.Context());
  Graphics::SpriteBatch batch(device);
  Font::Font body(device, options.Family, 18);
  Font::Font title(device, options.Family, 32);

  // A 1 x 1 white texture stretched into panels behind the text.
  auto white = device.CreateTexture2D(1, 1, false, Graphics::SurfaceFormat::Color);
  const Color opaqueWhite = Color::White();
  white->SetData({&opaqueWhite, 1});

  // The dialogue box's text is laid out once and drawn every frame: one sprite a glyph, one
  // draw call for the whole box.
  const std::u16string speaker = u"Archivist: ";
  Font::TextLayoutOptions dialogueOptions;
  dialogueOptions.MaxWidth = 560;
  dialogueOptions.MaxLines = 4;
  dialogueOptions.ColorSpans = {
      {0, static_cast<std::int32_t>(speaker.size()), Color(255, 200, 60, 255)}};
  const Font::TextLayout dialogue(
      body,
      speaker +
          u"Glyphs are rendered the first time they are drawn and packed into one atlas "
          u"texture, so this whole box is a single run of sprites: one draw call on the "
          u"GPU. Its lines were wrapped once, when the text was laid out.",
      dialogueOptions);

  const double start = Seconds();
  double rateSince = start;
  long rateFrames = 0;
  double perSecond = 0;
  for (long frame = 0; options.Frames < 0 || frame < options.Frames; ++frame) {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0;) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (closed) break;
    const double time = options.Frames >= 0 ? static_cast<double>(frame) / 60.0 : Seconds() - start;
    const auto t = static_cast<float>(time);

    window.BindBackBuffer();
    const int width = window.Width();
    const int height = window.Height();
    device.Clear(Color(24, 28, 40, 255));

    batch.Begin();
    DrawLine(batch, title, u"Frame " + Widen(std::to_string(frame)), {16, 12}, Color::White());

    char fps[32];
    std::snprintf(fps, sizeof fps, "%.1f fps", perSecond);
    const std::u16string fpsText = Widen(fps);
    const Vector2 fpsSize = body.MeasureString(fpsText);
    DrawLine(batch, body, fpsText, {static_cast<float>(width) - fpsSize.X - 16, 20},
             Color(120, 220, 120, 255));

    const std::u16string spin = u"Rotating text";
    const Vector2 spinSize = title.MeasureString(spin);
    DrawLine(batch, title, spin, {170, 170}, Color(255, 200, 60, 255), t * 1.3F,
             {spinSize.X / 2, spinSize.Y / 2});

    const float pulse = 1.0F + 0.6F * std::sin(t * 2.0F);
    const std::u16string scaled = u"Scaled";
    const Vector2 scaledSize = title.MeasureString(scaled);
    DrawLine(batch, title, scaled, {480, 170}, Color(90, 170, 255, 255), 0,
             {scaledSize.X / 2, scaledSize.Y / 2}, {pulse, pulse});

    // The dialogue box, sized by its layout.
    const Vector2 box = dialogue.Size();
    const float top = static_cast<float>(height) - 40 - box.Y;
    batch.Draw(white,
               Graphics::Rectangle{24, static_cast<int>(top) - 10, static_cast<int>(box.X) + 32,
                                   static_cast<int>(box.Y) + 20},
               std::nullopt, Color(0, 0, 0, 150));
    Font::SpriteBatchEx::DrawText(batch, dialogue, {40, top}, Color(230, 230, 230, 255));
    batch.End();

    const bool last = options.Frames >= 0 && frame + 1 == options.Frames;
    if (last && !options.Screenshot.empty()) {
      // Read before presenting: the back buffer holds the frame just drawn.
      Graphics::Software::SavePng(options.Screenshot, width, height,
                                  device.ReadRenderTargetPixels());
      std::printf("saved %s\n", options.Screenshot.c_str());
    }
    window.Present();

    ++rateFrames;
    const double seconds = Seconds() - rateSince;
    if (seconds >= 0.5 || perSecond == 0) perSecond = static_cast<double>(rateFrames) / seconds;
    if (seconds >= 0.5) {
      rateFrames = 0;
      rateSince = Seconds();
    }
  }
  std::printf("%.1f frames per second\n", perSecond);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "d3d11: %s\n", error.what());
    return 1;
  }
}
