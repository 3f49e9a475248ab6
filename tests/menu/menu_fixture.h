// The menu on the test host: scripted events with clock steps and keys, the
// controls as they stood when the script ran out, and files in a folder of
// the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "highscores/highscores.h"
#include "keys/keys.h"
#include "media/media.h"
#include "menu/menu.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "state/state.h"
#include "tests/menu/record_bytes.h"

// One event for WaitEvent, after the clock has moved and keys have changed.
struct MenuStep {
  int32_t event = EVENT_CONTROL;
  int32_t controlId = 0;
  uint32_t advanceMs = 0;
  std::vector<std::pair<int32_t, bool>> keys;  // code, down
  int32_t selectTab = -1;  // the user's choice of tab, made before the event
};

inline MenuStep Click(int32_t id, uint32_t advanceMs = 0) { return {EVENT_CONTROL, id, advanceMs, {}}; }
inline MenuStep SelectTab(int32_t index) { return {EVENT_CONTROL, 0, 0, {}, index}; }
inline MenuStep Close() { return {EVENT_CLOSE, 0, 0, {}}; }

class MenuHost : public TestHost {
 public:
  std::deque<MenuStep> steps;
  // Taken when the script runs out, before the close box ends the program.
  std::map<int32_t, Control> controlsAtEnd;
  std::array<int32_t, KEY_ACTION_COUNT + 1> keysAtEnd{};
  int32_t waits = 0;
  // The selected tab while each message box was up.
  std::vector<int32_t> tabAtMessage;

  int32_t MessageBox(const std::string& title, const std::string& text) override {
    tabAtMessage.push_back(controls.count(0) != 0 ? controls[0].state : -1);
    return TestHost::MessageBox(title, text);
  }

  int32_t WaitEvent(int32_t* controlId) override {
    ++waits;
    if (steps.empty()) {
      controlsAtEnd = controls;
      std::copy(keyTable.begin(), keyTable.end(), keysAtEnd.begin());
      return EVENT_CLOSE;
    }
    const MenuStep s = steps.front();
    steps.pop_front();
    now += s.advanceMs;
    for (const auto& [code, down] : s.keys) SetKey(code, down);
    if (s.selectTab >= 0) controls[0].state = s.selectTab;
    if (s.event == EVENT_CONTROL) *controlId = s.controlId;
    return s.event;
  }
};

inline MenuHost& InstallMenuHost() {
  auto host = std::make_unique<MenuHost>();
  MenuHost& ref = *host;
  SetPlatformHost(std::move(host));
  ResetPlatformState();
  StartKeyboard();
  StartSoundSystem();
  RegisterJpegDecoder();
  StartSpriteSystem();
  return ref;
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallMenuHost();
    ClearSharedState();
    dir_ = std::filesystem::temp_directory_path() / ("tolvane-menu-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    programDirectory = dir_.string() + "/";
    DecodePictureFromMemory(PICTURE_FIGHTER, PictureFighterFile());
    DecodePictureFromMemory(PICTURE_LOGO, PictureLogoFile());
    LoadKeys();
    player1State = 1;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs the menu over the steps; true when it handed over to a game, false
  // when the program ended (its exit code in exitCode_).
  bool Run(std::vector<MenuStep> steps) {
    host_->steps.assign(steps.begin(), steps.end());
    try {
      const Screen next = RunMenu();
      EXPECT_EQ(next, Screen::Game);
      return true;
    } catch (const ProgramExit& e) {
      exitCode_ = e.code;
      return false;
    }
  }

  // The controls once the script ran out (the menu still up).
  const TestHost::Control& At(int32_t id) { return host_->controlsAtEnd.at(id); }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) { return std::filesystem::exists(dir_ / name); }

  // A record as the name entry writes it; check 0 means the right one.
  void WriteRecord(int file, const std::string& name, const std::string& town, int32_t points,
                   int32_t check = 0) {
    WriteFile(file == 1 ? "data1" : "data2", RecordBytes(file, name, town, points, check));
  }
  // The record readers come with the record files; without them there is
  // nothing to show.
  bool RecordReadersPresent() {
    WriteRecord(1, "PROBE", "X", 77);
    const int32_t got = HighscoreSingle(0);
    std::filesystem::remove(dir_ / "data1");
    ClearSharedState();
    LoadKeys();
    player1State = 1;
    return got == 77;
  }

  MenuHost* host_ = nullptr;
  std::filesystem::path dir_;
  int32_t exitCode_ = -1;
};
