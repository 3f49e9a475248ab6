#include "keys/keys.h"

#include "platform/platform.h"
#include "state/state.h"

namespace {
constexpr int32_t KEY_FILE_SLOT = 1;

void SetDefaultKeys() {
  for (int32_t action = 1; action <= KEY_ACTION_COUNT; ++action) keyTable[action] = DEFAULT_KEYS[action];
}

struct KeyNameRow {
  int32_t code;
  const char* name;
};

// The blanks after "SemiColon", "Apostrophe" and "Slash" belong to the names.
constexpr KeyNameRow KEY_NAMES[] = {
    {0x01, "Escape"}, {0x02, "1"}, {0x03, "2"}, {0x04, "3"}, {0x05, "4"}, {0x06, "5"},
    {0x07, "6"}, {0x08, "7"}, {0x09, "8"}, {0x0A, "9"}, {0x0B, "0"}, {0x0C, "Minus"},
    {0x0D, "Equals"}, {0x0E, "Back"}, {0x0F, "Tab"}, {0x10, "Q"}, {0x11, "W"}, {0x12, "E"},
    {0x13, "R"}, {0x14, "T"}, {0x15, "Z"}, {0x16, "U"}, {0x17, "I"}, {0x18, "O"},
    {0x19, "P"}, {0x1A, "LeftBracket"}, {0x1B, "RightBracket"}, {0x1C, "Return"},
    {0x1D, "LeftControl"}, {0x1E, "A"}, {0x1F, "S"}, {0x20, "D"}, {0x21, "F"}, {0x22, "G"},
    {0x23, "H"}, {0x24, "J"}, {0x25, "K"}, {0x26, "L"}, {0x27, "SemiColon "},
    {0x28, "Apostrophe "}, {0x29, "Grave"}, {0x2A, "LeftShift"}, {0x2B, "BackSlash"},
    {0x2D, "X"}, {0x2E, "C"}, {0x2F, "V"}, {0x30, "B"}, {0x31, "N"}, {0x32, "M"},
    {0x33, "Comma"}, {0x34, "Period"}, {0x35, "Slash "}, {0x36, "RightShift"},
    {0x37, "Multiply"}, {0x38, "LeftAlt"}, {0x39, "Space"}, {0x3A, "Capital"}, {0x3B, "F1"},
    {0x3C, "F2"}, {0x3D, "F3"}, {0x3E, "F4"}, {0x3F, "F5"}, {0x40, "F6"}, {0x41, "F7"},
    {0x42, "F8"}, {0x43, "F9"}, {0x44, "F10"}, {0x45, "NumLock"}, {0x46, "Scroll"},
    {0x47, "Pad7"}, {0x48, "Pad8"}, {0x49, "Pad9"}, {0x4A, "Subtract"}, {0x4B, "Pad4"},
    {0x4C, "Pad5"}, {0x4D, "Pad6"}, {0x4E, "Add"}, {0x4F, "Pad1"}, {0x50, "Pad2"},
    {0x51, "Pad3"}, {0x52, "Pad0"}, {0x53, "Decimal"}, {0x57, "F11"}, {0x58, "F12"},
    {0x9C, "PadEnter"}, {0x9D, "RightControl"}, {0xB3, "PadComma"}, {0xB5, "Divide"},
    {0xB8, "RightAlt"}, {0xC5, "Pause"}, {0xC7, "Home"}, {0xC8, "Up"}, {0xC9, "PageUp"},
    {0xCB, "Left"}, {0xCD, "Right"}, {0xCF, "End"}, {0xD0, "Down"}, {0xD1, "PageDown"},
    {0xD2, "Insert"}, {0xD3, "Delete"},
};
}  // namespace

int32_t LoadKeys() {
  if (OpenFileSlotRead(KEY_FILE_SLOT, "keyboard") != 0) {
    for (int32_t action = 1; action <= KEY_ACTION_COUNT; ++action) keyTable[action] = ReadInt32();
    CloseFileSlot(KEY_FILE_SLOT);
  } else {
    SetDefaultKeys();
  }
  // A code outside 1..255 is no key: a damaged file counts as no file at all.
  for (int32_t action = 1; action <= KEY_ACTION_COUNT; ++action) {
    if (keyTable[action] < 1 || keyTable[action] > 255) {
      SetDefaultKeys();
      break;
    }
  }
  return 0;
}

int32_t KeyName(int32_t code) {
  for (const KeyNameRow& row : KEY_NAMES) {
    if (row.code == code) {
      keyNameResult = row.name;
      break;
    }
  }
  return 0;
}
