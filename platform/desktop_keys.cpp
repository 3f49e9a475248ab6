#include <Qt>

#include "platform/desktop_host.h"

namespace {
// Evdev codes past 88 that have a DirectInput code of their own.
struct ExtendedKey {
  uint32_t evdev;
  int32_t code;
};
constexpr ExtendedKey EXTENDED_KEYS[] = {
    {96, 0x9C},  {97, 0x9D},  {98, 0xB5},  {100, 0xB8}, {102, 0xC7}, {103, 0xC8},
    {104, 0xC9}, {105, 0xCB}, {106, 0xCD}, {107, 0xCF}, {108, 0xD0}, {109, 0xD1},
    {110, 0xD2}, {111, 0xD3}, {119, 0xC5}, {121, 0xB3}, {125, 0xDB}, {126, 0xDC},
};

// X keycodes are evdev codes shifted by 8.
constexpr uint32_t X_KEYCODE_OFFSET = 8;

struct ToolkitKey {
  int key;
  int32_t code;
};
// For platforms that give no scan code: the keys a player is likely to bind.
// Left and right modifiers are not told apart there; the left one stands in.
constexpr ToolkitKey TOOLKIT_KEYS[] = {
    {Qt::Key_Escape, 0x01},   {Qt::Key_1, 0x02},         {Qt::Key_2, 0x03},
    {Qt::Key_3, 0x04},        {Qt::Key_4, 0x05},         {Qt::Key_5, 0x06},
    {Qt::Key_6, 0x07},        {Qt::Key_7, 0x08},         {Qt::Key_8, 0x09},
    {Qt::Key_9, 0x0A},        {Qt::Key_0, 0x0B},         {Qt::Key_Minus, 0x0C},
    {Qt::Key_Equal, 0x0D},    {Qt::Key_Backspace, 0x0E}, {Qt::Key_Tab, 0x0F},
    {Qt::Key_Q, 0x10},        {Qt::Key_W, 0x11},         {Qt::Key_E, 0x12},
    {Qt::Key_R, 0x13},        {Qt::Key_T, 0x14},         {Qt::Key_Y, 0x15},
    {Qt::Key_U, 0x16},        {Qt::Key_I, 0x17},         {Qt::Key_O, 0x18},
    {Qt::Key_P, 0x19},        {Qt::Key_Return, 0x1C},    {Qt::Key_Control, 0x1D},
    {Qt::Key_A, 0x1E},        {Qt::Key_S, 0x1F},         {Qt::Key_D, 0x20},
    {Qt::Key_F, 0x21},        {Qt::Key_G, 0x22},         {Qt::Key_H, 0x23},
    {Qt::Key_J, 0x24},        {Qt::Key_K, 0x25},         {Qt::Key_L, 0x26},
    {Qt::Key_Shift, 0x2A},    {Qt::Key_Z, 0x2C},         {Qt::Key_X, 0x2D},
    {Qt::Key_C, 0x2E},        {Qt::Key_V, 0x2F},         {Qt::Key_B, 0x30},
    {Qt::Key_N, 0x31},        {Qt::Key_M, 0x32},         {Qt::Key_Comma, 0x33},
    {Qt::Key_Period, 0x34},   {Qt::Key_Slash, 0x35},     {Qt::Key_Alt, 0x38},
    {Qt::Key_Space, 0x39},    {Qt::Key_F1, 0x3B},        {Qt::Key_F2, 0x3C},
    {Qt::Key_F3, 0x3D},       {Qt::Key_F4, 0x3E},        {Qt::Key_F5, 0x3F},
    {Qt::Key_F6, 0x40},       {Qt::Key_F7, 0x41},        {Qt::Key_F8, 0x42},
    {Qt::Key_F9, 0x43},       {Qt::Key_F10, 0x44},       {Qt::Key_F11, 0x57},
    {Qt::Key_F12, 0x58},      {Qt::Key_Enter, 0x9C},     {Qt::Key_Pause, 0xC5},
    {Qt::Key_Home, 0xC7},     {Qt::Key_Up, 0xC8},        {Qt::Key_PageUp, 0xC9},
    {Qt::Key_Left, 0xCB},     {Qt::Key_Right, 0xCD},     {Qt::Key_End, 0xCF},
    {Qt::Key_Down, 0xD0},     {Qt::Key_PageDown, 0xD1},  {Qt::Key_Insert, 0xD2},
    {Qt::Key_Delete, 0xD3},   {Qt::Key_Meta, 0xDB},
};
}  // namespace

int32_t DirectInputCodeForKey(uint32_t nativeScanCode, int32_t toolkitKey) {
  if (nativeScanCode != 0) {
    if (nativeScanCode <= X_KEYCODE_OFFSET) return 0;
    const uint32_t evdev = nativeScanCode - X_KEYCODE_OFFSET;
    if (evdev <= 88) return static_cast<int32_t>(evdev);
    for (const ExtendedKey& k : EXTENDED_KEYS)
      if (k.evdev == evdev) return k.code;
    return 0;
  }
  for (const ToolkitKey& k : TOOLKIT_KEYS)
    if (k.key == toolkitKey) return k.code;
  return 0;
}
