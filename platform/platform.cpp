// The platform layer's services: the host in use, start and end, keyboard,
// clock, random numbers, fonts, the window and its controls, the browser.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <unistd.h>

#include "platform/host.h"
#include "platform/platform_internal.h"

namespace {

// Stands in until the program installs its host: it tells the time and ends
// the process, and none of its services start, so a start-up without a real
// host ends with its message instead of crashing.
class InertHost : public PlatformHost {
 public:
  uint32_t Ticks() override { return static_cast<uint32_t>(Micros() / 1000); }
  void Yield(int32_t msUntilMark) override {
    std::this_thread::sleep_for(std::chrono::microseconds(msUntilMark > 1 ? 1000 : 200));
  }
  uint64_t Micros() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
  std::string ExecutablePath() override {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
  }
  int32_t MessageBox(const std::string& title, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return 1;
  }
  void OpenUrl(const std::string&) override {}
  [[noreturn]] void ExitProcess(int32_t code) override { std::exit(code); }
  bool OpenKeyboard() override { return false; }
  bool OpenDisplaySystem() override { return false; }
  bool OpenScreen(const std::string&) override { return false; }
  void CloseScreen() override {}
  void PumpEvents() override {}
  void Present(const uint16_t*) override {}
  bool ScreenActive() override { return false; }
  bool OpenSound() override { return false; }
  void MakeSound(int32_t, const SoundData&) override {}
  void FreeSound(int32_t) override {}
  void PlaySound(int32_t, bool) override {}
  void CloseSound() override {}
};

std::unique_ptr<PlatformHost> currentHost;

// Written by the host's key events; copied into the snapshot by PollKeyboard
// only when a writer has asked for it since the last copy.
uint8_t liveKeys[256];
uint8_t keyStateBuffer[256];
uint64_t liveKeyChanges = 1;
uint64_t copiedKeyChanges = 0;
uint64_t keyboardPolls = 0;

// splitmix64: one 64-bit draw per call.
uint64_t randomState = 0x9E3779B97F4A7C15ULL;
uint64_t NextRandom() {
  uint64_t z = (randomState += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

struct Font {
  std::string face;
  int32_t points = 0;
};
platform_detail::NumberedTable<Font> fonts(10, 10);
int32_t currentFont = -1;

int32_t lastControlId = 0;

}  // namespace

namespace platform_detail {
std::vector<std::function<size_t()>>& TableRooms() {
  static std::vector<std::function<size_t()>> rooms;
  return rooms;
}
}  // namespace platform_detail

std::vector<size_t> PlatformTableRooms() {
  std::vector<size_t> rooms;
  for (const auto& room : platform_detail::TableRooms()) rooms.push_back(room());
  return rooms;
}

PlatformHost& Host() {
  if (!currentHost) currentHost = std::make_unique<InertHost>();
  return *currentHost;
}

void SetPlatformHost(std::unique_ptr<PlatformHost> host) { currentHost = std::move(host); }

uint8_t* LiveKeys() {
  ++liveKeyChanges;
  return liveKeys;
}

void ReleaseAllLiveKeys() { std::memset(LiveKeys(), 0, sizeof liveKeys); }

void ResetPlatformState() {
  using namespace platform_detail;
  ResetScreen();
  ResetSprites();
  ResetImages();
  ResetSounds();
  ResetFiles();
  fonts.Reset();
  currentFont = -1;
  lastControlId = 0;
  std::memset(keyStateBuffer, 0, sizeof keyStateBuffer);
  ReleaseAllLiveKeys();
  randomState = 0x9E3779B97F4A7C15ULL;
}

// ---- services ---------------------------------------------------------------

int32_t StartKeyboard() { return Host().OpenKeyboard() ? 1 : 0; }

std::string ServiceFailureReason() { return Host().FailureReason(); }

[[noreturn]] void EndProgram() { EndProgramWithCode(0); }

[[noreturn]] void EndProgramWithCode(int32_t exitCode) {
  PlatformHost& host = Host();
  host.CloseKeyboard();
  platform_detail::FreeAllSounds();
  host.CloseSound();
  platform_detail::FreeAllSprites();
  platform_detail::screen.fullscreenOpen = false;
  platform_detail::screen.active = false;
  platform_detail::screen.contextOpen = false;
  platform_detail::UpdateBlitPermission();
  host.CloseScreen();
  host.DestroyWindows();
  // Open files are left to the process end.
  host.ExitProcess(exitCode);
  std::abort();  // a host whose exit returned
}

int32_t ShowMessageBox(const std::string& title, const std::string& text, int32_t flags) {
  (void)flags;  // always one OK button
  return Host().MessageBox(title, text);
}

void InitControlTable() {}
void InitDrawingDefaults() {}
void InitFontTable() {
  fonts.Reset();
  currentFont = -1;
}
void InitWindowSystem() {}

std::string ProgramFilePath() { return Host().ExecutablePath(); }

// ---- fonts --------------------------------------------------------------------

int32_t MakeFont(int32_t n, const std::string& face, int32_t points) {
  if (n < 0) return 0;
  fonts.Make(n, Font{face, points});
  currentFont = n;
  Host().MakeFont(n, face, points);
  return 1;
}

// Font n is handed out as n + 1, so that 0 stays "no font".
Handle SelectFontSlot(int32_t n) {
  if (!fonts.Find(n)) return 0;
  currentFont = n;
  return Handle(n) + 1;
}

// ---- keyboard -----------------------------------------------------------------

// Called thousands of times per frame: with nothing new, one comparison.
int32_t PollKeyboard() {
  ++keyboardPolls;
  if (copiedKeyChanges != liveKeyChanges) {
    std::memcpy(keyStateBuffer, liveKeys, sizeof keyStateBuffer);
    copiedKeyChanges = liveKeyChanges;
  }
  return 1;
}

uint64_t KeyboardPollCount() { return keyboardPolls; }

int32_t KeyIsDown(int32_t code) {
  if (code == -1) {
    // Code 255 is not looked at.
    for (int32_t c = 0; c < 255; ++c) {
      if (keyStateBuffer[c] & 0x80) return 1;
    }
    return 0;
  }
  if (code < 0 || code > 255) return 0;
  return keyStateBuffer[code] & 0x80;
}

// ---- clock, random, arithmetic ------------------------------------------------------

int32_t GetTickCount() { return static_cast<int32_t>(Host().Ticks()); }

void YieldProcessor(int32_t msUntilMark) { Host().Yield(msUntilMark); }

void SeedRandomFromClock() { randomState = static_cast<uint32_t>(GetTickCount()); }

void SeedRandom(uint64_t seed) { randomState = seed; }

// floor(v * (max + 1) / 2^64): the high half of the 128-bit product.
int32_t RandomUpTo(int32_t max) {
  if (max < 0) return INT32_MIN;
  const unsigned __int128 product = static_cast<unsigned __int128>(NextRandom()) * (uint64_t(max) + 1);
  const auto result = static_cast<int32_t>(static_cast<uint64_t>(product >> 64));
  Host().RandomDrawn(max, result);
  return result;
}

float PowerF(float base, float exponent) {
  return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}

float FloorOrCeil(float x, int32_t mode) { return mode == 0 ? std::floor(x) : std::ceil(x); }

// ---- window and controls ------------------------------------------------------------

Handle CreateAppWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                       const std::string& title) {
  return Host().CreateWindow(n, x, y, w, h, flags, title);
}

Handle WindowHandle(int32_t n) { return Host().WindowHandle(n); }

void BeginControlParent(Handle parent) { Host().BeginControlParent(parent); }

void AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  Host().AddTabControl(id, x, y, w, h);
}

void AddControlItem(int32_t id, int32_t position, const std::string& text) {
  Host().AddControlItem(id, position, text);
}

void EndControlParent() { Host().EndControlParent(); }

void AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) {
  Host().AddPushButton(id, x, y, w, h, text);
}

void AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) {
  Host().AddLabel(id, x, y, w, h, text);
}

void AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) {
  Host().AddGroupBox(id, x, y, w, h, text);
}

// The host takes the picture's number; -1 when the handle names none.
void AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, Handle picture) {
  int32_t n = -1;
  if (picture > 0 && picture <= INT32_MAX && PictureHandle(static_cast<int32_t>(picture - 1)) == picture)
    n = static_cast<int32_t>(picture - 1);
  Host().AddPictureControl(id, x, y, w, h, n);
}

void SetControlText(int32_t id, const std::string& text) { Host().SetControlText(id, text); }

int32_t ControlState(int32_t id) { return Host().ControlState(id); }

void SetControlState(int32_t id, int32_t value) { Host().SetControlState(id, value); }

int32_t WaitEvent() {
  int32_t id = lastControlId;
  const int32_t event = Host().WaitEvent(&id);
  if (event == EVENT_CONTROL) lastControlId = id;
  return event;
}

int32_t EventControlId() { return lastControlId; }

void SwallowWindowInput(int32_t on) { Host().SwallowWindowInput(on != 0); }

// ---- browser ---------------------------------------------------------------------

int32_t ShellExecuteA(Handle window, const std::string& verb, const std::string& url,
                      const std::string& params, const std::string& dir, int32_t show) {
  (void)window;
  (void)verb;
  (void)params;
  (void)dir;
  (void)show;
  Host().OpenUrl(url);
  // Above 32 is success on the system this call is named after; nobody looks.
  return 42;
}
