// The menu window: starts games, edits keys, shows and sends the records.
#pragma once

#include <cstdint>
#include <string>

#include "state/state.h"

// Builds the window anew and serves it until a start button hands over to
// the game (Screen::Game) or the program ends. Screen::MenuUnavailable when
// the window cannot be made.
Screen RunMenu();

// ---- the handlers behind the buttons ----
// Waits for a key and gives it to the action of key button `buttonId` (30..42).
void CaptureKey(int32_t buttonId);
// Writes the key table to "keyboard"; refused while an action has no key.
void SaveKeySettings();
// The default keys, not saved.
void ResetKeySettings();
// Hands both records to the online highscore page, at most once a minute.
void SubmitResults();

// Name and town of the two records as last sent.
extern std::string submitUser, submitTown, submitUser2, submitTown2;

// The program's own addresses.
constexpr const char* MENU_TITLE = "Tolvane V1.3 - written by the Tolvane team";
constexpr const char* AUTHOR_SITE_HOST = "tolvane.example.org";
constexpr const char* AUTHOR_SITE_URL = "http://tolvane.example.org/";
constexpr const char* HIGHSCORE_PAGE_URL = "http://highscores.tolvane.example.org/";
constexpr const char* SUBMISSION_SERVICE = "http://highscores.tolvane.example.org";

// Bytes outside A-Z, a-z, 0-9 and "-._~" as %XX (upper-case hex), so that a
// name cannot add to or cut the query.
std::string PercentEncode(const std::string& text);
