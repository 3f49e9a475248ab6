// Pieces that the platform layer's own files share. Nothing outside platform/
// includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform_detail {

// The room of every numbered table, so that a long run can show that none grows.
std::vector<std::function<size_t()>>& TableRooms();

// Objects named by small non-negative numbers the program chooses. The table
// starts with a fixed room and grows to n + growth when a number at or past
// the room is used. Negative numbers never name anything.
template <class T>
class NumberedTable {
 public:
  NumberedTable(int32_t room, int32_t growth) : room_(room), growth_(growth), slots_(size_t(room)) {
    TableRooms().push_back([this] { return Room(); });
  }
  NumberedTable(const NumberedTable&) = delete;
  NumberedTable& operator=(const NumberedTable&) = delete;

  T* Find(int32_t n) {
    if (n < 0 || size_t(n) >= slots_.size() || !slots_[size_t(n)]) return nullptr;
    return &*slots_[size_t(n)];
  }

  // Frees whatever n held, then stores the new object. nullptr for a negative n.
  T* Make(int32_t n, T&& value) {
    if (n < 0) return nullptr;
    if (size_t(n) >= slots_.size()) slots_.resize(size_t(n) + size_t(growth_));
    slots_[size_t(n)].reset();
    slots_[size_t(n)].emplace(std::move(value));
    return &*slots_[size_t(n)];
  }

  void Free(int32_t n) {
    if (n >= 0 && size_t(n) < slots_.size()) slots_[size_t(n)].reset();
  }

  // Every object gone; the room stays as it has grown.
  void FreeAll() {
    for (auto& slot : slots_) slot.reset();
  }

  // Back to the empty table of the starting room.
  void Reset() {
    slots_.clear();
    slots_.resize(size_t(room_));
  }

  size_t Room() const { return slots_.size(); }

 private:
  int32_t room_;
  int32_t growth_;
  std::vector<std::optional<T>> slots_;
};

// The full screen and its two buffers (screen.cpp).
struct ScreenState {
  uint16_t* back = nullptr;
  uint16_t* front = nullptr;
  bool fullscreenOpen = false;
  // The host's ScreenActive() as of the last open or present, so that a blit
  // does not ask the host every time.
  bool active = false;
  bool contextOpen = false;
  // Sprites land on the back buffer only while it is shown and no drawing
  // context holds it.
  bool blitsDraw = false;
};
extern ScreenState screen;
void UpdateBlitPermission();

// An image decoded to 24-bit RGB, top row first.
struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

// Decoders; each returns false for data it does not take, never ends the process.
bool DecodeBmp24(MemoryFile data, RgbImage& out);
bool DecodeJpeg(MemoryFile data, RgbImage& out);
// BMP directly, anything else through the registered decoders.
bool DecodeSpriteImage(MemoryFile data, RgbImage& out);

// Upper bound on one image's pixels, so that a damaged header cannot ask for
// gigabytes.
constexpr int64_t MAX_IMAGE_PIXELS = int64_t(1) << 26;
constexpr int32_t MAX_IMAGE_SIDE = 32768;

// Resets of each file's state, called by ResetPlatformState.
void ResetScreen();
void ResetSprites();
void ResetImages();
void ResetSounds();
void ResetFiles();
void FreeAllSprites();
void FreeAllSounds();
void ResetSpriteTable();

inline uint16_t ScreenColourOf(int32_t packed) {
  return ScreenColour(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

}  // namespace platform_detail
