// What lies under the platform layer: the real desktop (Qt, OpenAL) or a
// test host with a virtual clock. The program picks its host in code before
// StartUp; everything above the platform layer sees only platform.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

// The format and samples of one sound, as the WAV reader found them.
struct SoundData {
  int32_t channels = 0;
  int32_t sampleRate = 0;
  int32_t bitsPerSample = 0;
  std::vector<uint8_t> samples;
};

class PlatformHost {
 public:
  virtual ~PlatformHost() = default;

  // clock and waiting
  virtual uint32_t Ticks() = 0;
  // Called between two polls of a polling wait; msUntilMark <= 0 when unknown.
  virtual void Yield(int32_t msUntilMark) = 0;
  // A high-resolution clock in microseconds for the present step's frame limit.
  virtual uint64_t Micros() = 0;

  // process
  virtual std::string ExecutablePath() = 0;
  virtual int32_t MessageBox(const std::string& title, const std::string& text) = 0;
  virtual void OpenUrl(const std::string& url) = 0;
  [[noreturn]] virtual void ExitProcess(int32_t code) = 0;
  // Why the last service that failed to open did so; empty when unknown.
  virtual std::string FailureReason() { return {}; }
  // Told of every RandomUpTo draw, so that a test can check their order.
  virtual void RandomDrawn(int32_t max, int32_t result) { (void)max; (void)result; }

  // keyboard: the host writes key changes into LiveKeys() (platform.cpp)
  virtual bool OpenKeyboard() = 0;
  virtual void CloseKeyboard() {}

  // screen
  virtual bool OpenDisplaySystem() = 0;
  virtual bool OpenScreen(const std::string& title) = 0;
  virtual void CloseScreen() = 0;
  // Handles pending window-system events without blocking.
  virtual void PumpEvents() = 0;
  // Shows the 800 x 600 RGB 565 picture.
  virtual void Present(const uint16_t* pixels) = 0;
  // False while the user has switched away from the full screen.
  virtual bool ScreenActive() = 0;

  // sound
  virtual bool OpenSound() = 0;
  virtual void MakeSound(int32_t n, const SoundData& data) = 0;
  virtual void FreeSound(int32_t n) = 0;
  virtual void PlaySound(int32_t n, bool loop) = 0;
  virtual void CloseSound() = 0;

  // text on the back buffer (fonts are made by MakeFont)
  virtual void MakeFont(int32_t n, const std::string& face, int32_t points) { (void)n; (void)face; (void)points; }
  virtual void DrawText(uint16_t* pixels, int32_t x, int32_t y, int32_t font, uint16_t colour,
                        bool transparent, const std::string& text, int32_t* advance) {
    (void)pixels; (void)x; (void)y; (void)font; (void)colour; (void)transparent; (void)text;
    *advance = 0;
  }

  // windows and controls; a host without them makes no window
  virtual Handle CreateWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                              const std::string& title) {
    (void)n; (void)x; (void)y; (void)w; (void)h; (void)flags; (void)title;
    return 0;
  }
  virtual Handle WindowHandle(int32_t n) { (void)n; return 0; }
  virtual void BeginControlParent(Handle parent) { (void)parent; }
  virtual void AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) { (void)id; (void)x; (void)y; (void)w; (void)h; }
  virtual void AddControlItem(int32_t id, int32_t position, const std::string& text) { (void)id; (void)position; (void)text; }
  virtual void EndControlParent() {}
  virtual void AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) { (void)id; (void)x; (void)y; (void)w; (void)h; (void)text; }
  virtual void AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) { (void)id; (void)x; (void)y; (void)w; (void)h; (void)text; }
  virtual void AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) { (void)id; (void)x; (void)y; (void)w; (void)h; (void)text; }
  virtual void AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, int32_t picture) { (void)id; (void)x; (void)y; (void)w; (void)h; (void)picture; }
  virtual void SetControlText(int32_t id, const std::string& text) { (void)id; (void)text; }
  virtual int32_t ControlState(int32_t id) { (void)id; return 0; }
  virtual void SetControlState(int32_t id, int32_t value) { (void)id; (void)value; }
  // Blocks for the next event; sets *controlId for control events.
  virtual int32_t WaitEvent(int32_t* controlId) { (void)controlId; return 0; }
  // On: the windows' input reaches the live keys and nothing else.
  virtual void SwallowWindowInput(bool on) { (void)on; }
  virtual void DestroyWindows() {}
};

// The host in use; StartUp and every operation go through it.
PlatformHost& Host();
void SetPlatformHost(std::unique_ptr<PlatformHost> host);

// The live key state that the host's key events keep; PollKeyboard copies it.
// Asking for it counts as a change: the next poll copies it again.
uint8_t* LiveKeys();
// Polls made since the program started, for the benchmarks.
uint64_t KeyboardPollCount();
// All keys up, e.g. when the window loses the focus.
void ReleaseAllLiveKeys();

// Picture pixels for a host's picture boxes: width x height RGB 888 rows.
struct PictureData {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 24;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel, top row first
};
const PictureData* FindPicture(int32_t n);

// Restarts the random generator at a seed of the caller's choosing.
void SeedRandom(uint64_t seed);
// The room of each table of numbered objects (sprites, sounds, pictures, fonts, files).
std::vector<size_t> PlatformTableRooms();

// Reset of every platform table, for tests that run the program many times in one process.
void ResetPlatformState();

// The desktop host: Qt windows and keyboard, OpenAL sound.
std::unique_ptr<PlatformHost> MakeDesktopHost();
