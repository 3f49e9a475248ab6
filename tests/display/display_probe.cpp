// A small program on the desktop host for the real-display tests: a menu-like
// window or the full screen; it reports what it gets on standard output.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/desktop_host.h"
#include "platform/host.h"
#include "tests/desktop/test_bmp.h"
#include "tests/display/probe_pattern.h"

namespace {
constexpr int32_t PICTURE = 50;


void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Reports every change of the live keys since the last call.
void ReportKeys() {
  static uint8_t seen[256];
  const uint8_t* keys = LiveKeys();
  for (int c = 0; c < 256; ++c)
    if (keys[c] != seen[c]) {
      Say(std::string(keys[c] ? "down " : "up ") + std::to_string(c));
      seen[c] = keys[c];
    }
}

// Until the test has made the file PROBE_GO names (it looks at the screen
// first); a few minutes at most, should the test be gone.
void WaitForGo() {
  const char* go = std::getenv("PROBE_GO");
  for (int i = 0; go != nullptr && i < 30000 && access(go, F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void SayRect(const std::string& what, bool ok, const DesktopRect& r) {
  if (ok)
    Say(what + " " + std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.w) +
        " " + std::to_string(r.h));
}

void Menu(PlatformHost& host) {
  const auto bmp = MakeTestBmp(60, 40, [](int x, int y) { return (x / 10 + y / 10) % 2 ? 0xE02020u : 0x2040E0u; });
  DecodePictureFromMemory(PICTURE, bmp);
  if (host.CreateWindow(0, 0, 0, 350, 200, 0xCA0001, "Probe Menu") == 0) host.ExitProcess(4);
  host.BeginControlParent(host.WindowHandle(0));
  host.AddTabControl(0, 1, 1, 399, 299);
  host.AddControlItem(0, 0, "The Game");
  host.AddPictureControl(1, 20, 40, 120, 100, PICTURE);
  host.AddPushButton(2, 240, 20, 90, 20, "1 Player Game");
  host.AddPushButton(3, 240, 50, 90, 20, "2 Player Game");
  host.AddPushButton(5, 240, 130, 90, 20, "Exit Game");
  host.AddControlItem(0, 0, "Controls");
  host.AddGroupBox(14, 15, 42, 155, 130, "Player 1");
  host.AddGroupBox(16, 180, 42, 155, 130, "Player 2");
  const char* actions[] = {"Left", "Right", "Up", "Down", "Attack", "Change"};
  const char* keys[] = {"Cursor Left", "Cursor Right", "Cursor Up", "Cursor Down", "Ctrl Right", "Shift Right"};
  for (int i = 0; i < 6; ++i) {
    host.AddLabel(17 + i, 25, 65 + 17 * i, 100, 15, actions[i]);
    host.AddLabel(24 + i, 190, 65 + 17 * i, 100, 15, actions[i]);
  }
  host.AddPushButton(43, 85, 14, 75, 20, "Save Settings");
  host.AddPushButton(44, 20, 14, 60, 20, "Reset");
  for (int i = 0; i < 6; ++i) {
    host.AddPushButton(30 + i, 80, 64 + 17 * i, 80, 16, keys[i]);
    host.AddPushButton(36 + i, 246, 64 + 17 * i, 80, 16, "A");
  }
  host.AddControlItem(0, 0, "Highscore");
  host.AddGroupBox(50, 190, 10, 155, 40, "Best Singleplayer");
  host.AddLabel(55, 200, 28, 100, 18, "Nobody");
  host.AddLabel(56, 300, 28, 40, 18, "0");
  host.AddControlItem(0, 0, "About Tolvane");
  host.AddLabel(12, 160, 40, 180, 80, "First line\rSecond line");
  host.AddPushButton(10, 200, 130, 100, 20, "tolvane.example");
  host.EndControlParent();

  DesktopRect r;
  for (int32_t id : {2, 3, 5, 10, 30}) SayRect("control " + std::to_string(id), DesktopControlScreenRect(id, &r), r);
  for (int32_t i = 0; i < 4; ++i) SayRect("tab " + std::to_string(i), DesktopTabScreenRect(0, i, &r), r);
  SayRect("window", DesktopWindowRect(0, &r), r);
  Say("ready");
  for (;;) {
    int32_t id = -1;
    const int32_t event = host.WaitEvent(&id);
    ReportKeys();
    if (event == EVENT_CLOSE) Say("close");
    if (event != EVENT_CONTROL) continue;
    Say("control " + std::to_string(id) + " tab " + std::to_string(host.ControlState(0)));
    if (id == 30) {
      // As the key capture does: a new label, then a wait that serves no events.
      host.SetControlText(30, "?");
      Say("capturing");
      WaitForGo();
      Say("captured");
    }
    if (id == 10) host.OpenUrl("https://tolvane.example/highscore?list=1&x=%20");
    if (id == 3) {
      host.MessageBox("Error !!!", "There are some actions without a defined key...");
      Say("box closed");
    }
    if (id == 5) {
      Say("exit");
      host.ExitProcess(0);
    }
  }
}


void Screen(PlatformHost& host) {
  if (!host.OpenKeyboard() || !host.OpenDisplaySystem() || !host.OpenScreen("Probe Screen")) host.ExitProcess(4);
  std::vector<uint16_t> picture(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
  for (int y = 0; y < SCREEN_HEIGHT; ++y)
    for (int x = 0; x < SCREEN_WIDTH; ++x) picture[size_t(y) * SCREEN_WIDTH + size_t(x)] = ProbePattern(x, y);
  // The first frames differ from the pattern in a small patch: what the
  // screen shows in the end must be the last frame, not a mix of frames.
  std::vector<uint16_t> first = picture;
  for (int y = 285; y < 297; ++y)
    for (int x = 405; x < 438; ++x) first[size_t(y) * SCREEN_WIDTH + size_t(x)] ^= 0xFFFF;
  int presented = 0;
  const uint32_t start = host.Ticks();
  bool told = false;
  for (;;) {
    // One pump per pass (in the yield), each followed by a look at the keys, as in the game.
    host.Yield(30);
    ReportKeys();
    if (host.ScreenActive()) {
      host.Present(presented++ < 3 ? first.data() : picture.data());
      if (!told) Say(std::string("presented ") + DesktopPresentPath());
      told = true;
    }
    if (LiveKeys()[0x01] != 0) {
      Say("exit");
      host.CloseScreen();
      host.ExitProcess(0);
    }
    if (host.Ticks() - start > 300000) host.ExitProcess(2);  // its test is gone
  }
}

// No display server: every service says no, the message goes to standard error.
void NoDisplay(PlatformHost& host) {
  Say(std::string("keyboard ") + (host.OpenKeyboard() ? "1" : "0") + " display " +
      (host.OpenDisplaySystem() ? "1" : "0") + " sound " + (host.OpenSound() ? "1" : "0") +
      " screen " + (host.OpenScreen("x") ? "1" : "0") + " window " +
      (host.CreateWindow(0, 0, 0, 350, 200, 1, "x") != 0 ? "1" : "0"));
  int32_t advance = -1;
  std::vector<uint16_t> picture(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
  host.MakeFont(0, "arial", 8);
  host.DrawText(picture.data(), 0, 0, 0, 0xFFFF, true, "text", &advance);
  Say("advance " + std::to_string(advance));
  host.MessageBox("Error !!!", "Please check your DirectX-Version");
  host.ExitProcess(3);
}
}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  ResetPlatformState();
  InitPictureTable();
  auto host = MakeDesktopHost();
  // Each mode ends the process through the host.
  if (mode == "menu") Menu(*host);
  if (mode == "screen") Screen(*host);
  // Through OpenGL even where only a software renderer offers it (Xvfb).
  if (mode == "glscreen") {
    DesktopAllowSoftwareOpenGl();
    Screen(*host);
  }
  if (mode == "nodisplay") NoDisplay(*host);
  std::fprintf(stderr, "usage: display_probe menu|screen|glscreen|nodisplay\n");
  return 64;
}
