#pragma once

#include "graphics/opengl/GlHandle.h"

namespace Vennicor::Graphics::OpenGL {

/// Vertex attribute locations of the sprite shader.
enum SpriteAttribute : GLuint { PositionAttribute = 0, TexCoordAttribute = 1, TintAttribute = 2 };

/// The sprite program: positions in back-buffer pixels, mapped to clip space by the uniform
/// "PixelToClip" (2 / width, -2 / height), texture coordinates normalised, tint premultiplied.
/// Written in GLSL 3.30 core or GLSL ES 3.00 as the context requires.
/// \throws std::runtime_error with the compiler's log if a stage does not build.
GlProgram BuildSpriteProgram(bool embedded);

}  // namespace Vennicor::Graphics::OpenGL
