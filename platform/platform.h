// The narrow layer through which the game reaches screen, keyboard, sound,
// windows, files, browser, clock and random numbers. Objects are named by
// small integers the caller chooses; an operation on an empty number does
// nothing and returns 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A built-in file as it would lie on disk. The loaders find every length in
// the file's own headers, but never read past the block's real end.
using MemoryFile = std::span<const uint8_t>;

using Handle = intptr_t;

constexpr int32_t SCREEN_WIDTH = 800;
constexpr int32_t SCREEN_HEIGHT = 600;

// ---- services ---------------------------------------------------------------
int32_t StartKeyboard();
int32_t StartSoundSystem();
int32_t RegisterJpegDecoder();
int32_t StartSpriteSystem();
[[noreturn]] void EndProgram();
// Like EndProgram, but with a chosen exit code (a failed start must not report success).
[[noreturn]] void EndProgramWithCode(int32_t exitCode);
// Why the service whose start just failed could not start; empty when unknown.
std::string ServiceFailureReason();
int32_t ShowMessageBox(const std::string& title, const std::string& text, int32_t flags);

void InitDecoderRegistry();
void InitControlTable();
void InitDrawingDefaults();
void InitFileTable();
void InitFontTable();
void InitPictureTable();
void InitWindowSystem();

// Full path of the running executable.
std::string ProgramFilePath();

// ---- screen -----------------------------------------------------------------
int32_t EnterFullscreen(int32_t width, int32_t height, int32_t depth, const std::string& title);
void LeaveFullscreen();
int32_t SetFrameLimit(int32_t fps);
void PresentFrame();
void FillTarget(int32_t r, int32_t g, int32_t b);
// The back buffer: 800 x 600 RGB 565, row after row.
uint16_t* BackBufferPixels();
// Colour to the screen format by dropping the low bits.
constexpr uint16_t ScreenColour(int32_t r, int32_t g, int32_t b) {
  return static_cast<uint16_t>(((r & 0xFF) >> 3) << 11 | ((g & 0xFF) >> 2) << 5 | ((b & 0xFF) >> 3));
}

// ---- sprites ----------------------------------------------------------------
int32_t NewBlankSprite(int32_t n, int32_t w, int32_t h, int32_t mode);
int32_t NewBlankSpriteDefault(int32_t n, int32_t w, int32_t h);
int32_t SpriteFromMemory(int32_t n, MemoryFile data, int32_t mode);
int32_t SpriteFromMemoryDefault(int32_t n, MemoryFile data);
int32_t DuplicateSprite(int32_t src, int32_t dst, int32_t mode);
int32_t CaptureSprite(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t mode);
void SetSpriteViewport(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h);
void SetSpriteKeyColour(int32_t n, int32_t r, int32_t g, int32_t b);
void BlitSprite(int32_t n, int32_t x, int32_t y);
void BlitSpriteKeyed(int32_t n, int32_t x, int32_t y);
int32_t SpriteExtentX(int32_t n);
int32_t SpriteExtentY(int32_t n);
// Pixel-exact collision of sprite a placed at (xa, ya) and sprite b at (xb, yb):
// 1 when some position holds a pixel of each that is not its sprite's key.
inline int32_t SpritesTouch(int32_t a, int32_t xa, int32_t ya, int32_t b, int32_t xb, int32_t yb);
// Inspection for tools and tests: 1 when sprite n exists.
int32_t SpriteExists(int32_t n);
int32_t SpriteFullWidth(int32_t n);
int32_t SpriteFullHeight(int32_t n);
// Pixel (x, y) of the full image in the screen format, 0 outside or for an empty number.
uint16_t SpritePixel(int32_t n, int32_t x, int32_t y);

// ---- pictures and fonts -------------------------------------------------------
int32_t DecodePictureFromMemory(int32_t n, MemoryFile data);
Handle PictureHandle(int32_t n);
int32_t PictureWidth(int32_t n);
int32_t PictureHeight(int32_t n);
int32_t MakeFont(int32_t n, const std::string& face, int32_t points);
Handle SelectFontSlot(int32_t n);

// ---- keyboard -----------------------------------------------------------------
int32_t PollKeyboard();
int32_t KeyIsDown(int32_t code);

// ---- clock, random, arithmetic ------------------------------------------------------
int32_t GetTickCount();
void SeedRandomFromClock();
int32_t RandomUpTo(int32_t max);
float PowerF(float base, float exponent);
float FloorOrCeil(float x, int32_t mode);
// Every polling wait calls this between two polls; it gives the processor away
// for a moment (and is where the window system's events are handled).
void YieldProcessor(int32_t msUntilMark);

// ---- sound --------------------------------------------------------------------
int32_t SoundFromMemory(int32_t n, MemoryFile data);
void StartSound(int32_t n, int32_t loop);

// ---- drawing on the back buffer ----------------------------------------------------
Handle BackBufferDrawTarget();
int32_t AcquireDrawContext(Handle target);
void ReleaseDrawContext();
void SetDrawFlags(int32_t flags);
void SetPenColour(int32_t r, int32_t g, int32_t b);
void MovePen(int32_t x, int32_t y);
void DrawTextAtPen(const std::string& text);
void SelectDrawFont(Handle font);
void DrawDiscRgb(int32_t x, int32_t y, int32_t radius, int32_t colour);
void SetTargetPixel(int32_t x, int32_t y, int32_t colour);
constexpr int32_t PackRgb(int32_t r, int32_t g, int32_t b) { return r + g * 256 + b * 65536; }

// ---- window and controls ------------------------------------------------------------
constexpr int32_t EVENT_CONTROL = 0x332C;
constexpr int32_t EVENT_COMMAND = 0x332D;
constexpr int32_t EVENT_CLOSE = 0x10;
constexpr int32_t WINDOW_CENTRED = 1;
Handle CreateAppWindow(int32_t n, int32_t x, int32_t y, int32_t w, int32_t h, int32_t flags,
                       const std::string& title);
Handle WindowHandle(int32_t n);
void BeginControlParent(Handle parent);
void AddTabControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
void AddControlItem(int32_t id, int32_t position, const std::string& text);
void EndControlParent();
void AddPushButton(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text);
void AddLabel(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text);
void AddGroupBox(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& text);
void AddPictureControl(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, Handle picture);
void SetControlText(int32_t id, const std::string& text);
int32_t ControlState(int32_t id);
void SetControlState(int32_t id, int32_t value);
int32_t WaitEvent();
int32_t EventControlId();
// While on (non-zero), the menu's windows act on no click, key or close box:
// such input is dropped, not kept for later. Keys still reach the keyboard
// state.
void SwallowWindowInput(int32_t on);

// ---- files (in programDirectory) -------------------------------------------------------
extern std::string programDirectory;
// The longest text line a read keeps (the size of the text work area); the
// rest of a longer line is read and dropped.
constexpr size_t TEXT_LINE_CAP = 64000;
Handle OpenFileSlotRead(int32_t n, const std::string& name);
Handle OpenFileSlotReadWrite(int32_t n, const std::string& name);
int32_t ReadInt32();
void WriteInt32(int32_t v);
std::string ReadTextLine();
void WriteTextLine(const std::string& text);
void CloseFileSlot(int32_t n);

// ---- browser ---------------------------------------------------------------------
int32_t ShellExecuteA(Handle window, const std::string& verb, const std::string& url,
                      const std::string& params, const std::string& dir, int32_t show);

// ---- text ------------------------------------------------------------------------
int32_t StringsEqual(const std::string& a, const std::string& b);
int32_t FirstCharCode(const std::string& text);
int32_t TextLength(const std::string& text);
std::string LeftPart(const std::string& text, int32_t count);
std::string MidPart(const std::string& text, int32_t start, int32_t count);
std::string IntToText(int32_t value);
std::string TrimSpaces(const std::string& text);
std::string UpperCaseText(const std::string& text);

// ---- inline part of the collision test ----------------------------------------------
namespace platform_detail {
// The shown part's size of every sprite number (0 x 0 when empty). The game
// makes over a million collision tests in a busy frame, nearly all of boxes
// that lie apart, so that case is decided here, inline, from this small table.
struct TouchBox {
  int32_t w;
  int32_t h;
};
// Power of two, so that one comparison tells that both numbers lie below it.
// Higher numbers (the game uses none) take the full test.
constexpr uint32_t TOUCH_BOX_NUMBERS = 4096;
extern TouchBox touchBoxes[TOUCH_BOX_NUMBERS];
int32_t SpritesTouchScan(int32_t a, int32_t xa, int32_t ya, int32_t b, int32_t xb, int32_t yb);
}  // namespace platform_detail

inline int32_t SpritesTouch(int32_t a, int32_t xa, int32_t ya, int32_t b, int32_t xb, int32_t yb) {
  using platform_detail::touchBoxes;
  if ((uint32_t(a) | uint32_t(b)) < platform_detail::TOUCH_BOX_NUMBERS) {
    const platform_detail::TouchBox ba = touchBoxes[a], bb = touchBoxes[b];
    // One branch, not four: which side a pair lies apart on is anybody's guess.
    const bool apart = (int64_t(xb) > int64_t(xa) + ba.w) | (int64_t(xa) > int64_t(xb) + bb.w) |
                       (int64_t(ya) > int64_t(yb) + bb.h) | (int64_t(yb) > int64_t(ya) + ba.h);
    if (apart) return 0;
  }
  return platform_detail::SpritesTouchScan(a, xa, ya, b, xb, yb);
}
