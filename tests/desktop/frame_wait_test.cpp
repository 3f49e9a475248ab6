#include <gtest/gtest.h>

#include "platform/desktop_host.h"

namespace {
// A polling wait reads the clock, then yields with the milliseconds left to
// its mark. The wait must not end late (the frame would grow) and should not
// wake more than needed.
TEST(FrameWait, OneSleepEndsAtTheMark) {
  struct Case {
    const char* what;
    uint64_t reading;
    bool inTicks;
    uint64_t now;
    int32_t msUntilMark;
    uint64_t wake;
  };
  const Case cases[] = {
      // GetTickCount() showed 10 ms; the frame ends when it shows 36.
      {"ticks: on the millisecond grid", 10'400, true, 10'401, 26, 36'000},
      {"ticks: the last millisecond", 35'100, true, 35'102, 1, 36'000},
      {"ticks: mark passed since the reading", 35'999, true, 36'003, 1, 36'000},
      {"microseconds: counted from the reading", 10'400, false, 10'401, 5, 15'400},
      {"a long wait wakes to serve the window", 10'400, true, 10'401, 3000, 50'000},
      {"stale reading: a millisecond short", 10'400, true, 20'000, 30, 49'000},
      {"stale reading, one millisecond left", 10'400, true, 20'000, 1, 20'200},
      {"mark unknown", 10'400, true, 10'401, 0, 10'601},
      {"mark unknown, negative", 10'400, true, 10'401, -4, 10'601},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DesktopYieldWakeTime(c.reading, c.inTicks, c.now, c.msUntilMark), c.wake) << c.what;
}
}  // namespace
