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
}  // namespace
