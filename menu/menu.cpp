#include "menu/menu.h"

#include "highscores/highscores.h"
#include "keys/keys.h"
#include "media/media.h"
#include "platform/platform.h"

namespace {
constexpr int32_t MENU_WINDOW = 0;
constexpr int32_t MENU_WIDTH = 350;
constexpr int32_t MENU_HEIGHT = 200;
// Caption, system menu and minimise box; bit 0 centres the window.
constexpr int32_t MENU_FLAGS = 0xCA0001;

constexpr int32_t TABS = 0;
constexpr int32_t TAB_GAME = 0;
constexpr int32_t TAB_CONTROLS = 1;

constexpr int32_t BUTTON_ONE_PLAYER = 2;
constexpr int32_t BUTTON_TWO_PLAYERS = 3;
constexpr int32_t BUTTON_EXIT = 5;
constexpr int32_t BUTTON_AUTHOR_SITE = 10;
constexpr int32_t BUTTON_SAVE = 43;
constexpr int32_t BUTTON_RESET = 44;
constexpr int32_t BUTTON_SEND = 53;
constexpr int32_t BUTTON_VIEW_ONLINE = 54;
constexpr int32_t FIRST_KEY_BUTTON = 30;  // action k has button k + 29
constexpr int32_t LAST_KEY_BUTTON = 42;
constexpr int32_t KEY_SPACE = 0x39;

const char* const ACTION_LABELS[6] = {"Left", "Right", "Up", "Down", "Attack", "Change"};
constexpr int32_t ROW_Y[6] = {65, 82, 99, 116, 133, 150};

void AddKeyButton(int32_t action, int32_t x, int32_t y) {
  // A code without a name shows whatever the previous lookup left.
  KeyName(keyTable[action]);
  AddPushButton(action + 29, x, y, 80, 16, keyNameResult);
}

// Name and points of one record; the name label stays empty without a file.
void AddRecordLabels(int32_t nameId, int32_t pointsId, int32_t y, int32_t (*read)(int32_t)) {
  lastRecordName.clear();
  const int32_t points = read(0);
  AddLabel(nameId, 200, y, 100, 18, lastRecordName);
  AddLabel(pointsId, 300, y, 40, 18, IntToText(points));
}

void BuildGameTab() {
  AddControlItem(TABS, 0, "The Game");
  AddPictureControl(1, 20, 40, 120, 100, PictureHandle(PICTURE_LOGO));
  AddPictureControl(8, 80, 5, 120, 100, PictureHandle(PICTURE_FIGHTER));
  AddPictureControl(9, 240, 70, 120, 100, PictureHandle(PICTURE_FIGHTER));
  AddPushButton(BUTTON_ONE_PLAYER, 240, 20, 90, 20, "1 Player Game");
  AddPushButton(BUTTON_TWO_PLAYERS, 240, 50, 90, 20, "2 Player Game");
  AddPictureControl(4, 165, 130, 120, 100, PictureHandle(PICTURE_FIGHTER));
  AddPushButton(BUTTON_EXIT, 240, 130, 90, 20, "Exit Game");
  AddPictureControl(7, 30, 110, 120, 100, PictureHandle(PICTURE_FIGHTER));
}

void BuildControlsTab() {
  AddControlItem(TABS, 0, "Controls");
  AddGroupBox(14, 15, 42, 155, 130, "Player 1");
  AddGroupBox(15, 180, 5, 155, 34, "");
  AddGroupBox(16, 180, 42, 155, 130, "Player 2");
  AddLabel(13, 190, 18, 100, 15, "Break");
  for (int32_t row = 0; row < 6; ++row) AddLabel(17 + row, 25, ROW_Y[row], 100, 15, ACTION_LABELS[row]);
  for (int32_t row = 0; row < 6; ++row) AddLabel(24 + row, 190, ROW_Y[row], 100, 15, ACTION_LABELS[row]);
  AddPushButton(BUTTON_SAVE, 85, 14, 75, 20, "Save Settings");
  AddPushButton(BUTTON_RESET, 20, 14, 60, 20, "Reset");
  for (int32_t row = 0; row < 6; ++row) AddKeyButton(1 + row, 80, ROW_Y[row] - 1);
  for (int32_t row = 0; row < 6; ++row) AddKeyButton(7 + row, 246, ROW_Y[row] - 1);
  AddKeyButton(13, 246, 17);
}

void BuildHighscoreTab() {
  AddControlItem(TABS, 0, "Highscore");
  AddPictureControl(51, 20, 40, 120, 100, PictureHandle(PICTURE_LOGO));
  AddGroupBox(50, 190, 10, 155, 40, "Best Singleplayer");
  AddGroupBox(52, 190, 55, 155, 40, "Best Team");
  AddPushButton(BUTTON_SEND, 190, 120, 155, 20, "Send results to WWW");
  AddPushButton(BUTTON_VIEW_ONLINE, 190, 145, 155, 20, "View Online-Highscore");
  AddRecordLabels(55, 56, 28, HighscoreSingle);
  AddRecordLabels(57, 58, 73, HighscoreTeam);
}

void BuildAboutTab() {
  AddControlItem(TABS, 0, "About Tolvane");
  AddPushButton(BUTTON_AUTHOR_SITE, 200, 130, 100, 20, AUTHOR_SITE_HOST);
  AddPictureControl(11, 20, 40, 120, 100, PictureHandle(PICTURE_LOGO));
}

bool BuildWindow() {
  if (CreateAppWindow(MENU_WINDOW, 0, 0, MENU_WIDTH, MENU_HEIGHT, MENU_FLAGS, MENU_TITLE) == 0) return false;
  BeginControlParent(WindowHandle(MENU_WINDOW));
  AddTabControl(TABS, 1, 1, 399, 299);
  BuildGameTab();
  BuildControlsTab();
  BuildHighscoreTab();
  BuildAboutTab();
  EndControlParent();
  return true;
}

void OpenInBrowser(const std::string& url) { ShellExecuteA(0, "open", url, "", "", 1); }

// Keys can be changed only before the first game of the process, and no tab
// may be left while an action has no key.
void CheckTabChange() {
  if (ControlState(TABS) == TAB_CONTROLS && gamePlayed == 1) {
    ShowMessageBox("Error !!!", "You must configure Keys before playing...", 0);
    SetControlState(TABS, TAB_GAME);
  }
  for (int32_t i = 1; i <= KEY_ACTION_COUNT; ++i) {
    if (keyTable[i] == 0) {
      SetControlState(TABS, TAB_CONTROLS);
      ShowMessageBox("Error !!!", "There are some actions without a defined key...", 0);
      break;
    }
  }
}

// Serves one control event; true when a start button was pressed.
bool HandleControl(int32_t id) {
  if (id == BUTTON_ONE_PLAYER) {
    player1State = 1;
    player2State = 0;
    playerCount = 1;
    return true;
  }
  if (id == BUTTON_TWO_PLAYERS) {
    player1State = 1;
    player2State = 1;
    playerCount = 2;
    return true;
  }
  if (id == BUTTON_EXIT) EndProgram();
  if (id == BUTTON_AUTHOR_SITE) OpenInBrowser(AUTHOR_SITE_URL);
  if (id == BUTTON_VIEW_ONLINE) OpenInBrowser(HIGHSCORE_PAGE_URL);
  if (id == BUTTON_SEND) SubmitResults();
  // A button pressed with Space would only capture Space.
  if (id >= FIRST_KEY_BUTTON && id <= LAST_KEY_BUTTON && KeyIsDown(KEY_SPACE) == 0) CaptureKey(id);
  if (id == BUTTON_SAVE) SaveKeySettings();
  if (id == BUTTON_RESET) ResetKeySettings();
  if (id == TABS) CheckTabChange();
  return false;
}
}  // namespace

Screen RunMenu() {
  if (!BuildWindow()) return Screen::MenuUnavailable;
  bool started = false;
  for (;;) {
    PollKeyboard();
    const int32_t event = WaitEvent();
    if (event == EVENT_CONTROL) started = HandleControl(EventControlId());
    if (event == EVENT_CLOSE) EndProgram();
    PollKeyboard();
    if (started) {
      // Unsaved key changes are dropped: every game runs with the file's keys.
      LoadKeys();
      PollKeyboard();
      return Screen::Game;
    }
  }
}
