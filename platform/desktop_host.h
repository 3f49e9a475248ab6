// Desktop-only entry points beside MakeDesktopHost: the key mapping, and a few
// hooks through which tests act as the user would (click, close box, keys)
// and look at what the user would see. No toolkit types cross this header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// DirectInput code for a key event: from the X keycode (evdev code + 8) when
// the platform gives one, else from the toolkit's key number (Qt::Key).
// 0 when the key has no code.
int32_t DirectInputCodeForKey(uint32_t nativeScanCode, int32_t toolkitKey);

// A rendering of a window or control, 0xAARRGGBB per pixel, row after row.
struct DesktopPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> argb;
  uint32_t At(int32_t x, int32_t y) const { return argb[size_t(y) * size_t(width) + size_t(x)]; }
};

// A rectangle: a control's in its parent's pixels, a window's on the screen.
struct DesktopRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const DesktopRect&) const = default;
};

// Where the 800 x 600 picture lands on a full screen of w x h device pixels
// (4:3 kept, centred), and the whole factor it is first enlarged by, nearest
// neighbour, before a smooth step down to that rectangle (none when equal).
DesktopRect DesktopPictureFit(int32_t w, int32_t h, int32_t* factor);
// When the desktop's yield in a polling wait ends (monotonic microseconds):
// the wait read the clock at `reading` (shown in whole milliseconds when
// inTicks) and has msUntilMark milliseconds to go (<= 0: unknown); now is
// the time of the yield.
uint64_t DesktopYieldWakeTime(uint64_t reading, bool inTicks, uint64_t now, int32_t msUntilMark);
// Whether text on the back buffer reuses the glyphs of a string it drew
// before (on by default); the pixels are the same either way.
void DesktopSetTextCache(bool on);
// How the full screen reaches the display: "opengl", "software", or "" before
// it is opened.
const char* DesktopPresentPath();
// Whether an OpenGL renderer (its GL_RENDERER string) rasterizes on the
// processor: Mesa's llvmpipe, softpipe and swrast. The full screen leaves
// those for the software scaler, which draws the same picture for far less.
bool DesktopRendererIsSoftware(const std::string& renderer);
// For test programs only: the full screen takes OpenGL wherever a context can
// be made, a software renderer too, so that the shader can be checked on a
// display without a graphics card. Call before the screen is first opened.
void DesktopAllowSoftwareOpenGl();

// All return false when there is no such window or control.
bool DesktopClickButton(int32_t id);
// Selects a tab as a click on the tab bar would.
bool DesktopUserSelectTab(int32_t id, int32_t index);
// Uses window n's close box.
bool DesktopUseCloseBox(int32_t n);
bool DesktopWindowVisible(int32_t n);
// Window n's client area on the screen, and the screen's free area.
bool DesktopWindowRect(int32_t n, DesktopRect* rect);
bool DesktopScreenRect(DesktopRect* rect);
bool DesktopControlRect(int32_t id, DesktopRect* rect);
// The same on the screen, and of tab `index` of a tab control.
bool DesktopControlScreenRect(int32_t id, DesktopRect* rect);
bool DesktopTabScreenRect(int32_t id, int32_t index, DesktopRect* rect);
// Shown on the screen: its window and every parent (a tab's page too) visible.
bool DesktopControlVisible(int32_t id);
bool DesktopGrabWindow(int32_t n, DesktopPicture* picture);
bool DesktopGrabControl(int32_t id, DesktopPicture* picture);
// What a control is ("tab", "button", "label", "group", "picture"; empty when
// there is none), its text (a tab control: its tab labels joined by "|"), and
// the width of that text in the control's own font.
std::string DesktopControlKind(int32_t id);
std::string DesktopControlText(int32_t id);
int32_t DesktopControlTextWidth(int32_t id);
// The ids of the controls on page `index` of tab control `id`, in the order
// they were made.
std::vector<int32_t> DesktopPageControls(int32_t id, int32_t index);
// A key event as the window system would deliver it to window n.
bool DesktopSendKey(int32_t n, int32_t toolkitKey, bool press, bool autoRepeat);
// The clock (microseconds) that times how long a key has been held; nullptr
// brings back the real one. The timer that applies a held release still runs
// on real time.
void DesktopSetKeyClock(uint64_t (*clock)());
// The application lost or regained the focus.
void DesktopSetApplicationActive(bool active);
