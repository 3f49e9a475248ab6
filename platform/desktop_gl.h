// The full screen's picture through OpenGL: the 800 x 600 RGB 565 frame is
// uploaded as a texture and drawn as the software scaler draws it (nearest
// neighbour to a whole multiple, then bilinear down to the fitted rectangle),
// in one pass of a small shader, with black borders around it.
#pragma once

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <string>

class GlPicture : protected QOpenGLFunctions {
 public:
  // A surface format for the full screen: no depth or stencil, and a swap that
  // waits for the vertical blank where the driver offers it.
  static QSurfaceFormat Format();
  // The GL_RENDERER of a created context, read on a surface of its own that
  // is gone again on return; empty when the context cannot be made current.
  static std::string Renderer(QOpenGLContext& context);

  // With a context current on the window. False when the shader or the
  // texture cannot be made; the caller then scales in software.
  bool Init(int srcW, int srcH);
  // Draws into the window's back buffer of device x device pixels; the caller
  // swaps. Null pixels draw the last frame again.
  void Draw(const uint16_t* pixels, QSize device, const QRect& target, int factor);

 private:
  int srcW_ = 0, srcH_ = 0;
  GLuint program_ = 0, texture_ = 0, corners_ = 0;
  GLint cornerAttribute_ = -1;
  GLint outSize_ = -1, srcSize_ = -1, step_ = -1, factor_ = -1, picture_ = -1;
};
