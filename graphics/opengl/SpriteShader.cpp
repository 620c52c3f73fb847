#include "graphics/opengl/SpriteShader.h"

#include <stdexcept>
#include <string>

namespace Vennicor::Graphics::OpenGL {

namespace {

constexpr const char* DesktopHeader = "#version 330 core\n";
constexpr const char* EmbeddedHeader = "#version 300 es\nprecision highp float;\n";

constexpr const char* VertexBody = R"(
layout(location = 0) in vec2 Position;
layout(location = 1) in vec2 TexCoord;
layout(location = 2) in vec4 Tint;
uniform vec2 PixelToClip;
out vec2 FragTexCoord;
out vec4 FragTint;
void main() {
  FragTexCoord = TexCoord;
  FragTint = Tint;
  gl_Position = vec4(Position * PixelToClip + vec2(-1.0, 1.0), 0.0, 1.0);
}
)";

// With FieldMode set (1: bilinear, 2: nearest) the texel's alpha is a distance field (0.5 + a
// little: the edge), shaded as the software rasterizer does: a ramp one screen pixel wide whose
// width in field steps follows the sprite's scale (the square root of texels per pixel squared,
// from the texture coordinate derivatives), and an outline under the shape. With MultiChannel
// set the shape's distance is the median of red, green and blue; the outline keeps alpha.
constexpr const char* FragmentBody = R"(
in vec2 FragTexCoord;
in vec4 FragTint;
uniform sampler2D Texture;
uniform int FieldMode;
uniform float FieldStepsPerTexel;
uniform float OutlineEdge;
uniform float OutlineSoftness;
uniform vec4 OutlineColor;
uniform int MultiChannel;
layout(location = 0) out vec4 FragColor;
const float FieldEdge = 128.0 / 255.0;
// Bilinear in full float precision: hardware filtering may keep only 8 bits of weight, which a
// field's steep ramp would magnify into visible steps at large scales.
vec4 FieldAt(vec2 texelCoord, ivec2 size) {
  vec2 t = clamp(texelCoord, vec2(-1.0), vec2(size) + 1.0) - 0.5;
  vec2 below = floor(t);
  vec2 f = t - below;
  ivec2 i0 = ivec2(below);
  ivec2 last = size - 1;
  ivec2 a = clamp(i0, ivec2(0), last);
  ivec2 b = clamp(i0 + 1, ivec2(0), last);
  vec4 ta = texelFetch(Texture, ivec2(a.x, a.y), 0);
  vec4 tb = texelFetch(Texture, ivec2(b.x, a.y), 0);
  vec4 tc = texelFetch(Texture, ivec2(a.x, b.y), 0);
  vec4 td = texelFetch(Texture, ivec2(b.x, b.y), 0);
  vec4 top = ta + (tb - ta) * f.x;
  vec4 bottom = tc + (td - tc) * f.x;
  return top + (bottom - top) * f.y;
}
void main() {
  if (FieldMode == 0) {
    FragColor = texture(Texture, FragTexCoord) * FragTint;
    return;
  }
  vec2 size = vec2(textureSize(Texture, 0));
  vec4 sampled = FieldMode == 1 ? FieldAt(FragTexCoord * size, textureSize(Texture, 0))
                                : texture(Texture, FragTexCoord);
  float distance = sampled.a;
  float shape = MultiChannel != 0
      ? max(min(sampled.r, sampled.g), min(max(sampled.r, sampled.g), sampled.b))
      : distance;
  vec2 alongX = dFdx(FragTexCoord * size);
  vec2 alongY = dFdy(FragTexCoord * size);
  float texelsPerPixel = sqrt(abs(alongX.x * alongY.y - alongX.y * alongY.x));
  float stepsPerPixel = FieldStepsPerTexel * texelsPerPixel;
  float fill = clamp((shape - FieldEdge) / stepsPerPixel + 0.5, 0.0, 1.0);
  vec4 color = FragTint * fill;
  if (OutlineEdge < FieldEdge) {
    float outer = OutlineSoftness > 0.0
        ? clamp((distance - OutlineEdge) / OutlineSoftness, 0.0, 1.0)
        : clamp((distance - OutlineEdge) / stepsPerPixel + 0.5, 0.0, 1.0);
    color += OutlineColor * (outer * (1.0 - color.a));
  }
  FragColor = color;
}
)";

std::string ShaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
  glGetShaderInfoLog(shader, length, nullptr, log.data());
  return log.c_str();
}

struct ShaderDeleter {
  GLuint Shader;
  ~ShaderDeleter() { glDeleteShader(Shader); }
};

GLuint Compile(GLenum stage, const char* header, const char* body) {
  const GLuint shader = glCreateShader(stage);
  const char* sources[] = {header, body};
  glShaderSource(shader, 2, sources, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    const std::string log = ShaderLog(shader);
    glDeleteShader(shader);
    throw std::runtime_error(std::string("The sprite ") +
                             (stage == GL_VERTEX_SHADER ? "vertex" : "fragment") +
                             " shader does not compile: " + log);
  }
  return shader;
}

}  // namespace

GlProgram BuildSpriteProgram(bool embedded) {
  const char* header = embedded ? EmbeddedHeader : DesktopHeader;
  const ShaderDeleter vertex{Compile(GL_VERTEX_SHADER, header, VertexBody)};
  const ShaderDeleter fragment{Compile(GL_FRAGMENT_SHADER, header, FragmentBody)};
  GlProgram program = MakeGl<ProgramTraits>();
  glAttachShader(program.Get(), vertex.Shader);
  glAttachShader(program.Get(), fragment.Shader);
  glLinkProgram(program.Get());
  glDetachShader(program.Get(), vertex.Shader);
  glDetachShader(program.Get(), fragment.Shader);
  GLint ok = GL_FALSE;
  glGetProgramiv(program.Get(), GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    glGetProgramiv(program.Get(), GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    glGetProgramInfoLog(program.Get(), length, nullptr, log.data());
    throw std::runtime_error("The sprite shader does not link: " + std::string(log.c_str()));
  }
  return program;
}

}  // namespace Vennicor::Graphics::OpenGL
