// A host for tests: a virtual clock that moves only when the program yields,
// scripted keys and menu events, and a record of what the program put out.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/host.h"

// Thrown by the test host's process exit so that the test gets control back.
struct ProgramExit {
  int32_t code;
};

class TestHost : public PlatformHost {
 public:
  struct SoundStart {
    int32_t sound;
    uint32_t time;
    int32_t present;  // presents made before the start
  };
  struct TextDrawn {
    int32_t x, y, font;
    uint16_t colour;
    std::string text;
  };
  struct Control {
    std::string kind;  // "tab", "page", "button", "label", "group", "picture"
    int32_t parentTab = -1;  // id of the tab control whose page holds it
    int32_t page = -1;
    int32_t x = 0, y = 0, w = 0, h = 0;
    std::string text;
    int32_t picture = -1;
    int32_t state = 0;  // tab controls: selected tab
    int32_t pages = 0;
  };
  struct KeyChange {
    int32_t code;
    bool down;
  };
  struct ScriptedEvent {
    int32_t event;
    int32_t controlId;
  };
  struct WindowMade {
    int32_t n, x, y, w, h, flags;
    bool operator==(const WindowMade&) const = default;
  };
  struct RandomDraw {
    int32_t max, result;
    bool operator==(const RandomDraw&) const = default;
  };

  // ---- set-up by the test ----
  uint32_t now = 100000;          // the virtual millisecond clock
  int32_t yieldStepMs = 1;        // how far one yield moves the clock
  bool keyboardWorks = true;
  bool soundWorks = true;
  bool displayWorks = true;
  bool windowsWork = true;         // false: CreateAppWindow fails, as without a menu
  std::string executablePath = "/tmp/tolvane-test/tolvane";
  // Key changes applied when the clock reaches a time, or when a number of
  // presents have been made (before the present returns).
  std::multimap<uint32_t, KeyChange> keysAtTime;
  std::multimap<int32_t, KeyChange> keysAtPresent;
  std::deque<ScriptedEvent> menuEvents;  // WaitEvent takes them in order
  // Called after every present with the picture; may throw to stop a run.
  std::function<void(const uint16_t* pixels)> onPresent;
  // Called from each yield after the clock moved.
  std::function<void()> onYield;

  void KeyDownAtTime(uint32_t t, int32_t code) { keysAtTime.insert({t, {code, true}}); }
  void KeyUpAtTime(uint32_t t, int32_t code) { keysAtTime.insert({t, {code, false}}); }
  void KeyDownAtPresent(int32_t p, int32_t code) { keysAtPresent.insert({p, {code, true}}); }
  void KeyUpAtPresent(int32_t p, int32_t code) { keysAtPresent.insert({p, {code, false}}); }
  void SetKey(int32_t code, bool down);
  void Seed(uint64_t seed) { SeedRandom(seed); }

  // ---- what the program did ----
  int32_t presents = 0;
  int32_t yields = 0;
  std::vector<SoundStart> soundStarts;
  std::vector<RandomDraw> randomDraws;  // every RandomUpTo call in order
  bool recordRandomDraws = true;
  std::vector<TextDrawn> textsDrawn;
  std::vector<std::pair<std::string, std::string>> messageBoxes;  // title, text
  std::vector<std::string> urls;
  std::map<int32_t, SoundData> sounds;
  std::map<int32_t, Control> controls;
  std::vector<std::string> windowTitles;
  std::vector<WindowMade> windowsMade;  // beside windowTitles: number, place, size and flags
  bool screenOpen = false;
  int32_t screenOpens = 0;
  std::string screenTitle;
  std::vector<uint16_t> lastPicture;  // the last presented frame

  // ---- PlatformHost ----
  uint32_t Ticks() override { return now; }
  void Yield(int32_t msUntilMark) override;
  uint64_t Micros() override { return uint64_t(now) * 1000; }
  std::string ExecutablePath() override { return executablePath; }
  void RandomDrawn(int32_t max, int32_t result) override {
    if (recordRandomDraws) randomDraws.push_back({max, result});
  }
  int32_t MessageBox(const std::string& title, const std::string& text) override;
  void OpenUrl(const std::string& url) override { urls.push_back(url); }
  [[noreturn]] void ExitProcess(int32_t code) override { throw ProgramExit{code}; }
  bool OpenKeyboard() override { return keyboardWorks; }
  bool OpenDisplaySystem() override { return displayWorks; }
  bool OpenScreen(const std::string& title) override;
  void CloseScreen() override { screenOpen = false; }
  void PumpEvents() override {}
  void Present(const uint16_t* pixels) override;
  bool ScreenActive() override { return screenOpen; }
  bool OpenSound() override { return soundWorks; }
  void MakeSound(int32_t n, const SoundData& data) override { sounds[n] = data; }
  void FreeSound(int32_t n) override { sounds.erase(n); }
  void PlaySound(int32_t n, bool loop) override;
  void CloseSound() override { sounds.clear(); }
  void DrawText(uint16_t* pixels, int32_t x, int32_t y, int32_t font, uint16_t colour,
                bool transparent, const std::string& text, int32_t* advance) override;
  Handle CreateWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                      const std::string& title) override;
  Handle WindowHandle(int32_t n) override;
  void AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) override;
  void AddControlItem(int32_t id, int32_t position, const std::string& text) override;
  void EndControlParent() override;
  void AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) override;
  void AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) override;
  void AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) override;
  void AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, int32_t picture) override;
  void SetControlText(int32_t id, const std::string& text) override;
  int32_t ControlState(int32_t id) override;
  void SetControlState(int32_t id, int32_t value) override;
  // Takes the next scripted event; with none left the program is ended, as
  // if the close box had been used and the menu had ended it.
  int32_t WaitEvent(int32_t* controlId) override;
  void DestroyWindows() override { controls.clear(); }

 private:
  void ApplyKeysUpTo(uint32_t t);
  void AddControl(int32_t id, Control c);
  int32_t currentTab_ = -1;
  int32_t windowCount_ = 0;
};

// Installs a fresh test host, clears the platform tables and returns the host.
TestHost& InstallTestHost();
// The same, then keyboard, sound, JPEG decoding and display started as at program start.
TestHost& InstallTestHostWithServices();
