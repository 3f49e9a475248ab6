#include "platform/test_host.h"

#include <cstring>

void TestHost::SetKey(int32_t code, bool down) {
  if (code < 0 || code > 255) return;
  LiveKeys()[code] = down ? 0x80 : 0;
}

void TestHost::ApplyKeysUpTo(uint32_t t) {
  while (!keysAtTime.empty() && keysAtTime.begin()->first <= t) {
    SetKey(keysAtTime.begin()->second.code, keysAtTime.begin()->second.down);
    keysAtTime.erase(keysAtTime.begin());
  }
}

void TestHost::Yield(int32_t) {
  ++yields;
  now += static_cast<uint32_t>(yieldStepMs);
  ApplyKeysUpTo(now);
  if (onYield) onYield();
}

int32_t TestHost::MessageBox(const std::string& title, const std::string& text) {
  messageBoxes.emplace_back(title, text);
  return 1;
}

bool TestHost::OpenScreen(const std::string& title) {
  if (!displayWorks) return false;
  screenOpen = true;
  ++screenOpens;
  screenTitle = title;
  return true;
}

void TestHost::Present(const uint16_t* pixels) {
  ++presents;
  lastPicture.assign(pixels, pixels + SCREEN_WIDTH * SCREEN_HEIGHT);
  while (!keysAtPresent.empty() && keysAtPresent.begin()->first <= presents) {
    SetKey(keysAtPresent.begin()->second.code, keysAtPresent.begin()->second.down);
    keysAtPresent.erase(keysAtPresent.begin());
  }
  if (onPresent) onPresent(pixels);
}

void TestHost::PlaySound(int32_t n, bool) { soundStarts.push_back({n, now, presents}); }

void TestHost::DrawText(uint16_t*, int32_t x, int32_t y, int32_t font, uint16_t colour, bool,
                        const std::string& text, int32_t* advance) {
  textsDrawn.push_back({x, y, font, colour, text});
  // A fixed-pitch stand-in so that pen positions move on.
  *advance = static_cast<int32_t>(text.size()) * 6;
}

Handle TestHost::CreateWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                              const std::string& title) {
  if (!windowsWork) return 0;
  controls.clear();
  currentTab_ = -1;
  windowTitles.push_back(title);
  windowsMade.push_back({n, x, y, w, h, flags});
  ++windowCount_;
  return static_cast<Handle>(1000 + n);
}

Handle TestHost::WindowHandle(int32_t n) { return windowCount_ > 0 ? static_cast<Handle>(1000 + n) : 0; }

void TestHost::AddControl(int32_t id, Control c) {
  if (currentTab_ >= 0) {
    c.parentTab = currentTab_;
    c.page = controls[currentTab_].pages - 1;
  }
  controls[id] = std::move(c);
}

void TestHost::AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  Control c;
  c.kind = "tab";
  c.x = x, c.y = y, c.w = w, c.h = h;
  controls[id] = c;
  currentTab_ = id;
}

void TestHost::AddControlItem(int32_t id, int32_t, const std::string& text) {
  auto it = controls.find(id);
  if (it == controls.end()) return;
  it->second.pages += 1;
  it->second.text += (it->second.text.empty() ? "" : "|") + text;
  currentTab_ = id;
}

void TestHost::EndControlParent() { currentTab_ = -1; }

void TestHost::AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) {
  AddControl(id, {"button", -1, -1, x, y, w, h, text});
}
void TestHost::AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) {
  AddControl(id, {"label", -1, -1, x, y, w, h, text});
}
void TestHost::AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text) {
  AddControl(id, {"group", -1, -1, x, y, w, h, text});
}
void TestHost::AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, int32_t picture) {
  Control c{"picture", -1, -1, x, y, w, h, ""};
  c.picture = picture;
  AddControl(id, c);
}

void TestHost::SetControlText(int32_t id, const std::string& text) {
  auto it = controls.find(id);
  if (it != controls.end()) it->second.text = text;
}

int32_t TestHost::ControlState(int32_t id) {
  auto it = controls.find(id);
  return it == controls.end() ? 0 : it->second.state;
}

void TestHost::SetControlState(int32_t id, int32_t value) {
  auto it = controls.find(id);
  if (it != controls.end()) it->second.state = value;
}

int32_t TestHost::WaitEvent(int32_t* controlId) {
  if (menuEvents.empty()) return EVENT_CLOSE;
  ScriptedEvent e = menuEvents.front();
  menuEvents.pop_front();
  if (e.event == EVENT_CONTROL) *controlId = e.controlId;
  return e.event;
}

TestHost& InstallTestHost() {
  auto host = std::make_unique<TestHost>();
  TestHost& ref = *host;
  SetPlatformHost(std::move(host));
  ResetPlatformState();
  std::memset(LiveKeys(), 0, 256);
  return ref;
}

TestHost& InstallTestHostWithServices() {
  TestHost& host = InstallTestHost();
  StartKeyboard();
  StartSoundSystem();
  RegisterJpegDecoder();
  StartSpriteSystem();
  return host;
}
