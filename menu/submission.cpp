// "Send results to WWW": both records in one URL for the browser.
#include "game/game.h"
#include "highscores/highscores.h"
#include "menu/menu.h"
#include "platform/platform.h"

std::string submitUser, submitTown, submitUser2, submitTown2;

namespace {
constexpr int64_t SUBMIT_INTERVAL_MS = 60000;
}  // namespace

std::string PercentEncode(const std::string& text) {
  static constexpr char HEX[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~';
    if (plain) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(HEX[c >> 4]);
      out.push_back(HEX[c & 0x0F]);
    }
  }
  return out;
}

void SubmitResults() {
  // The minute counts from the last hand-over, and from 0 at the start.
  if (TickDistance(GetTickCount(), lastSubmitTime) <= SUBMIT_INTERVAL_MS) {
    ShowMessageBox("Error!!!", "You can only send your score one time a minute...", 0);
    return;
  }
  // The stored values go out as they are, matching check or not; a missing
  // file leaves what the last read left.
  HighscoreSingle(0);
  const int32_t points = recordPoints, check = recordCheck;
  submitUser = lastRecordName;
  submitTown = lastRecordTown;
  HighscoreTeam(0);
  const int32_t points2 = recordPoints, check2 = recordCheck;
  submitUser2 = lastRecordName;
  submitTown2 = lastRecordTown;

  const std::string url = std::string(SUBMISSION_SERVICE) + "/eintrag.php?points=" + IntToText(points) +
                          "&k=" + IntToText(check) + "&user=" + PercentEncode(submitUser) +
                          "&town=" + PercentEncode(submitTown) + "&points2=" + IntToText(points2) +
                          "&k2=" + IntToText(check2) + "&user2=" + PercentEncode(submitUser2) +
                          "&town2=" + PercentEncode(submitTown2);
  ShellExecuteA(0, "open", url, "", "", 1);
  lastSubmitTime = GetTickCount();
}
