#include "platform/desktop_gl.h"

#include <QOffscreenSurface>

#include <cstdio>

namespace {

// Positions in output pixels, counted from the top-left of the picture.
const char* const VERTEX_SHADER = R"(
attribute vec2 corner;
uniform vec2 outSize;
varying vec2 outPos;
void main() {
  outPos = corner * outSize;
  gl_Position = vec4(corner.x * 2.0 - 1.0, 1.0 - corner.y * 2.0, 0.0, 1.0);
}
)";

// The same arithmetic as the software scaler: the output pixel's centre in
// the picture enlarged `factor` times, and its two neighbours there on each
// axis. Inside one enlarged block both are one source pixel, read at its
// centre; across a block edge they are two, and the texture's linear filter
// mixes them by the fraction, so one read does what four would.
const char* const FRAGMENT_SHADER = R"(
#ifdef GL_ES
precision highp float;
#endif
uniform sampler2D picture;
uniform vec2 srcSize;
uniform vec2 step;
uniform float factor;
varying vec2 outPos;
void main() {
  vec2 last = srcSize * factor - 1.0;
  vec2 e = max(outPos * step - 0.5, 0.0);
  vec2 e0 = min(floor(e), last);
  vec2 e1 = min(e0 + 1.0, last);
  vec2 a = floor((e0 + 0.5) / factor);
  vec2 b = floor((e1 + 0.5) / factor);
  vec2 f = (b - a) * (e - e0);
  gl_FragColor = vec4(texture2D(picture, (a + 0.5 + f) / srcSize).rgb, 1.0);
}
)";

GLuint Compile(QOpenGLFunctions* gl, GLenum kind, const char* source) {
  const GLuint shader = gl->glCreateShader(kind);
  gl->glShaderSource(shader, 1, &source, nullptr);
  gl->glCompileShader(shader);
  GLint ok = 0;
  gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == 0) {
    char log[512] = {};
    gl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "full screen: shader not compiled, scaling in software: %s\n", log);
    gl->glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

QSurfaceFormat GlPicture::Format() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::DefaultRenderableType);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  format.setAlphaBufferSize(0);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSwapInterval(1);
  return format;
}

std::string GlPicture::Renderer(QOpenGLContext& context) {
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface)) return "";
  const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
  std::string renderer = name != nullptr ? name : "";
  context.doneCurrent();
  return renderer;
}

bool GlPicture::Init(int srcW, int srcH) {
  initializeOpenGLFunctions();
  srcW_ = srcW, srcH_ = srcH;
  const GLuint vs = Compile(this, GL_VERTEX_SHADER, VERTEX_SHADER);
  const GLuint fs = Compile(this, GL_FRAGMENT_SHADER, FRAGMENT_SHADER);
  if (vs == 0 || fs == 0) return false;
  program_ = glCreateProgram();
  glAttachShader(program_, vs);
  glAttachShader(program_, fs);
  glLinkProgram(program_);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint linked = 0;
  glGetProgramiv(program_, GL_LINK_STATUS, &linked);
  if (linked == 0) {
    std::fprintf(stderr, "full screen: shader not linked, scaling in software\n");
    return false;
  }
  cornerAttribute_ = glGetAttribLocation(program_, "corner");
  outSize_ = glGetUniformLocation(program_, "outSize");
  srcSize_ = glGetUniformLocation(program_, "srcSize");
  step_ = glGetUniformLocation(program_, "step");
  factor_ = glGetUniformLocation(program_, "factor");
  picture_ = glGetUniformLocation(program_, "picture");

  static const GLfloat corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
  glGenBuffers(1, &corners_);
  glBindBuffer(GL_ARRAY_BUFFER, corners_);
  glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);

  // RGB 565 as it stands: the driver takes the back buffer's own bytes.
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, srcW, srcH, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, nullptr);
  return glGetError() == GL_NO_ERROR;
}

void GlPicture::Draw(const uint16_t* pixels, QSize device, const QRect& target, int factor) {
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glViewport(0, 0, device.width(), device.height());
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture_);
  if (pixels != nullptr) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, srcW_, srcH_, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, pixels);
  }

  // The window's y runs upward.
  glViewport(target.x(), device.height() - target.y() - target.height(), target.width(), target.height());
  glUseProgram(program_);
  glUniform1i(picture_, 0);
  glUniform2f(outSize_, GLfloat(target.width()), GLfloat(target.height()));
  glUniform2f(srcSize_, GLfloat(srcW_), GLfloat(srcH_));
  glUniform2f(step_, GLfloat(double(srcW_) * factor / target.width()),
              GLfloat(double(srcH_) * factor / target.height()));
  glUniform1f(factor_, GLfloat(factor));
  glBindBuffer(GL_ARRAY_BUFFER, corners_);
  glEnableVertexAttribArray(GLuint(cornerAttribute_));
  glVertexAttribPointer(GLuint(cornerAttribute_), 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisableVertexAttribArray(GLuint(cornerAttribute_));
}
