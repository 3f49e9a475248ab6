#include <gtest/gtest.h>

#include "platform/desktop_host.h"

namespace {
// Qt::Key values of the keys without a letter (the toolkit's stable numbers).
constexpr int32_t QT_ESCAPE = 0x01000000, QT_RETURN = 0x01000004, QT_ENTER = 0x01000005,
                  QT_LEFT = 0x01000012, QT_UP = 0x01000013, QT_RIGHT = 0x01000014,
                  QT_DOWN = 0x01000015, QT_SHIFT = 0x01000020, QT_CONTROL = 0x01000021,
                  QT_ALT = 0x01000023, QT_F1 = 0x01000030, QT_F12 = 0x0100003B,
                  QT_PAUSE = 0x01000008, QT_HOME = 0x01000010, QT_DELETE = 0x01000007,
                  QT_CAPS_LOCK = 0x01000024;
constexpr uint32_t X = 8;  // X keycode = evdev code + 8

struct Case {
  uint32_t scanCode;
  int32_t key;
  int32_t want;
};

TEST(KeyMapping, EvdevCodesUpTo88AreTheDirectInputCodes) {
  for (uint32_t evdev = 1; evdev <= 88; ++evdev)
    EXPECT_EQ(DirectInputCodeForKey(evdev + X, 0), int32_t(evdev)) << evdev;
}

TEST(KeyMapping, ExtendedKeysByTable) {
  const Case cases[] = {
      {96 + X, 0, 0x9C},  {97 + X, 0, 0x9D},  {98 + X, 0, 0xB5},  {100 + X, 0, 0xB8},
      {102 + X, 0, 0xC7}, {103 + X, 0, 0xC8}, {104 + X, 0, 0xC9}, {105 + X, 0, 0xCB},
      {106 + X, 0, 0xCD}, {107 + X, 0, 0xCF}, {108 + X, 0, 0xD0}, {109 + X, 0, 0xD1},
      {110 + X, 0, 0xD2}, {111 + X, 0, 0xD3}, {119 + X, 0, 0xC5}, {121 + X, 0, 0xB3},
      {125 + X, 0, 0xDB}, {126 + X, 0, 0xDC},
      // No code of their own: nothing, also when the toolkit key would have one.
      {99 + X, QT_ESCAPE, 0}, {113 + X, 0, 0}, {255, 0, 0}, {5, QT_LEFT, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DirectInputCodeForKey(c.scanCode, c.key), c.want) << c.scanCode;
}

TEST(KeyMapping, WithoutScanCodeTheToolkitKeyDecides) {
  const Case cases[] = {
      {0, 'A', 0x1E},          {0, 'Q', 0x10},         {0, 'Z', 0x2C},       {0, 'M', 0x32},
      {0, '1', 0x02},          {0, '9', 0x0A},         {0, '0', 0x0B},       {0, ' ', 0x39},
      {0, QT_ESCAPE, 0x01},    {0, QT_RETURN, 0x1C},   {0, QT_ENTER, 0x9C},  {0, QT_LEFT, 0xCB},
      {0, QT_RIGHT, 0xCD},     {0, QT_UP, 0xC8},       {0, QT_DOWN, 0xD0},   {0, QT_SHIFT, 0x2A},
      {0, QT_CONTROL, 0x1D},   {0, QT_ALT, 0x38},      {0, QT_F1, 0x3B},     {0, QT_F12, 0x58},
      {0, QT_PAUSE, 0xC5},     {0, QT_HOME, 0xC7},     {0, QT_DELETE, 0xD3},
      {0, QT_CAPS_LOCK, 0},    {0, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(DirectInputCodeForKey(0, c.key), c.want) << std::hex << c.key;
}
}  // namespace
