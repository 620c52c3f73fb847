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

constexpr const char* FragmentBody = R"(
in vec2 FragTexCoord;
in vec4 FragTint;
uniform sampler2D Texture;
layout(location = 0) out vec4 FragColor;
void main() {
  FragColor = texture(Texture, FragTexCoord) * FragTint;
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
