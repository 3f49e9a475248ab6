// The key table's defaults, the key file "keyboard" and the display names of key codes.
#pragma once

#include <array>
#include <cstdint>

constexpr int32_t KEY_ESCAPE = 1;
constexpr int32_t KEY_ACTION_COUNT = 13;
// Scan codes of actions 1..13 (index 0 unused).
constexpr std::array<int32_t, KEY_ACTION_COUNT + 1> DEFAULT_KEYS = {
    0, 0xCB, 0xCD, 0xC8, 0xD0, 0x9D, 0x36, 0x1E, 0x20, 0x11, 0x1F, 0x32, 0x31, 0x19};

// Fills keyTable from "keyboard", or with the defaults.
int32_t LoadKeys();
// Sets keyNameResult to the name of the code; a code without a name keeps the old text.
int32_t KeyName(int32_t code);
