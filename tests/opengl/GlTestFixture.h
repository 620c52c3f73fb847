#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "graphics/opengl/OpenGLGraphicsDevice.h"
#include "opengl/HeadlessContext.h"

namespace Vennicor::Graphics::OpenGL::Testing {

/// A test with a current headless context of the parameter's kind, a 64 x 48 offscreen back
/// buffer and a device. A test that cannot get a context fails: CI must not pass without GL.
class GlTest : public ::testing::TestWithParam<GlApi> {
 protected:
  static constexpr std::int32_t Width = 64;
  static constexpr std::int32_t Height = 48;

  void SetUp() override {
    if (const std::string why = HeadlessContext::Unavailable(GetParam()); !why.empty()) {
      GTEST_SKIP() << why;
    }
    const std::string failure = HeadlessContext::MakeCurrent(GetParam());
    ASSERT_EQ(failure, "") << "no headless GL context";
    target = std::make_unique<OffscreenTarget>(Width, Height);
    ASSERT_TRUE(target->IsComplete());
    device = std::make_unique<OpenGLGraphicsDevice>();
  }

  void TearDown() override {
    if (!HeadlessContext::Unavailable(GetParam()).empty()) return;
    // Tests may leave the thread without a context; the objects need one to be deleted.
    if (HeadlessContext::MakeCurrent(GetParam()).empty()) {
      device.reset();
      target.reset();
    }
  }

  std::unique_ptr<OffscreenTarget> target;
  std::unique_ptr<OpenGLGraphicsDevice> device;
};

#define VENNICOR_GL_TEST_APIS(suite)                                                          \
  INSTANTIATE_TEST_SUITE_P(Apis, suite, ::testing::Values(GlApi::Desktop33Core, GlApi::Es30), \
                           [](const auto& param) { return ApiName(param.param); })

}  // namespace Vennicor::Graphics::OpenGL::Testing
