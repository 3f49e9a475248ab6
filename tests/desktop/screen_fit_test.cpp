#include <gtest/gtest.h>

#include "platform/desktop_host.h"

namespace {
TEST(ScreenFit, FourByThreeCentredWithTheNextWholeFactor) {
  struct Case {
    int32_t w, h;
    DesktopRect want;
    int32_t factor;
  };
  const Case cases[] = {
      {800, 600, {0, 0, 800, 600}, 1},        // 1:1
      {1600, 1200, {0, 0, 1600, 1200}, 2},    // an exact multiple
      {1024, 768, {0, 0, 1024, 768}, 2},      // 1.28: up by 2, then down
      {1280, 1024, {0, 32, 1280, 960}, 2},    // taller: borders above and below
      {1920, 1080, {240, 0, 1440, 1080}, 2},  // wider: borders left and right
      {2560, 1440, {320, 0, 1920, 1440}, 3},
      {3200, 2400, {0, 0, 3200, 2400}, 4},
      {640, 480, {0, 0, 640, 480}, 1},        // smaller than the picture
      {1366, 768, {171, 0, 1024, 768}, 2},
  };
  for (const Case& c : cases) {
    int32_t factor = 0;
    EXPECT_EQ(DesktopPictureFit(c.w, c.h, &factor), c.want) << c.w << "x" << c.h;
    EXPECT_EQ(factor, c.factor) << c.w << "x" << c.h;
  }
}

// GL_RENDERER strings as drivers report them. Only the processor's own
// rasterizers count as software; a name that merely mentions LLVM (the
// shader compiler of AMD's and VMware's drivers) does not, nor does a
// virtual machine's OpenGL passed through virgl, whatever the host has.
TEST(ScreenPath, SoftwareRenderersAreTold) {
  const char* const software[] = {
      "llvmpipe (LLVM 15.0.6, 256 bits)",
      "llvmpipe (LLVM 12.0.0, 128 bits)",
      "llvmpipe",
      "LLVMPIPE (LLVM 15.0.6, 256 bits)",
      "softpipe",
      "Gallium 0.4 on llvmpipe (LLVM 3.4, 128 bits)",
      "Gallium 0.4 on softpipe",
      "Software Rasterizer",
      "swrast",
  };
  const char* const hardware[] = {
      "AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)",
      "AMD Radeon Graphics (renoir, LLVM 15.0.7, DRM 3.54, 6.5.0-15-generic)",
      "Gallium 0.4 on AMD HAWAII (DRM 2.43.0, LLVM 3.8.0)",
      "SVGA3D; build: RELEASE;  LLVM;",
      "Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
      "NVIDIA GeForce GTX 1080/PCIe/SSE2",
      "NV134",
      "V3D 4.2",
      "Mali-G52 (Panfrost)",
      "virgl",
      "virgl (NVIDIA GeForce RTX 3060/PCIe/SSE2)",
      "virgl (LLVMPIPE (LLVM 15.0.6, 256 bits))",  // the host's renderer, in brackets
  };
  for (const char* r : software) EXPECT_TRUE(DesktopRendererIsSoftware(r)) << r;
  for (const char* r : hardware) EXPECT_FALSE(DesktopRendererIsSoftware(r)) << r;
}
}  // namespace
