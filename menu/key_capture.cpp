// The key buttons of the "Controls" tab: capture, save and reset.
#include "keys/keys.h"
#include "menu/menu.h"
#include "platform/platform.h"

namespace {
constexpr int32_t HIGHEST_CAPTURED_CODE = 212;

int32_t ButtonOf(int32_t action) { return action + 29; }

void ShowKeyName(int32_t action) {
  KeyName(keyTable[action]);
  SetControlText(ButtonOf(action), keyNameResult);
}
}  // namespace

void CaptureKey(int32_t buttonId) {
  const int32_t action = buttonId - 29;
  SetControlText(buttonId, "?");
  // Only keys count while we wait: a tab changed meanwhile would hide the "?"
  // and still hand this action the next key pressed.
  SwallowWindowInput(1);
  // Escape alone never ends the wait, nor does any key while Escape is held.
  for (;;) {
    PollKeyboard();
    if (KeyIsDown(-1) != 0 && KeyIsDown(KEY_ESCAPE) == 0) break;
    YieldProcessor(0);
  }
  SwallowWindowInput(0);
  // A key belongs to one action: whoever holds a key that is down loses it,
  // the capturing action included.
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) {
    PollKeyboard();
    if (KeyIsDown(keyTable[i]) != 0) {
      keyTable[i] = 0;
      SetControlText(ButtonOf(i), "");
    }
  }
  // The highest code held during the scan wins.
  for (int32_t code = 1; code <= HIGHEST_CAPTURED_CODE; ++code) {
    PollKeyboard();
    if (KeyIsDown(code) != 0) {
      keyTable[action] = code;
      KeyName(code);
      SetControlText(buttonId, keyNameResult);
    }
  }
}

void SaveKeySettings() {
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) {
    if (keyTable[i] == 0) {
      SetControlState(0, 1);
      ShowMessageBox("Error !!!", "There are some actions without a defined key...", 0);
      return;
    }
  }
  // Written over the old file from its start, never truncated.
  if (OpenFileSlotReadWrite(0, "keyboard") == 0) return;
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) WriteInt32(keyTable[i]);
  CloseFileSlot(0);
}

void ResetKeySettings() {
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) keyTable[i] = DEFAULT_KEYS[size_t(i)];
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) ShowKeyName(i);
}
