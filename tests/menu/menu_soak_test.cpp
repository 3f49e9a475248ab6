// A thousand rounds of menu -> one-player game -> game over -> menu, from the
// program's start to its end, on the test host.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "game/game.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "platform/test_host.h"
#include "startup/startup.h"

namespace {
namespace fs = std::filesystem;

// AddressSanitizer holds freed memory back in its quarantine, so resident
// memory says nothing about growth in such a build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool RESIDENT_MEMORY_MEANINGFUL = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool RESIDENT_MEMORY_MEANINGFUL = false;
#else
constexpr bool RESIDENT_MEMORY_MEANINGFUL = true;
#endif
#else
constexpr bool RESIDENT_MEMORY_MEANINGFUL = true;
#endif

constexpr int32_t ROUNDS = 1000;
constexpr int32_t MEASURED_FROM = 10;

size_t ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}

// Each menu starts a one-player game; the menu after the last round is closed.
class SoakHost : public TestHost {
 public:
  int32_t menus = 0;
  size_t residentAtStart = 0, residentAtEnd = 0;
  std::vector<size_t> roomsAtStart, roomsAtEnd;

  int32_t WaitEvent(int32_t* controlId) override {
    ++menus;
    // The test's own records of what was drawn and played would grow.
    textsDrawn.clear();
    soundStarts.clear();
    windowTitles.clear();
    windowsMade.clear();
    randomDraws.clear();
    if (menus == MEASURED_FROM + 1) {
      residentAtStart = ResidentBytes();
      roomsAtStart = PlatformTableRooms();
    }
    if (menus > ROUNDS) {
      residentAtEnd = ResidentBytes();
      roomsAtEnd = PlatformTableRooms();
      return EVENT_CLOSE;
    }
    *controlId = 2;
    return EVENT_CONTROL;
  }
};

TEST(MenuSoak, ThousandGamesInARowGrowNothing) {
  auto owned = std::make_unique<SoakHost>();
  SoakHost& host = *owned;
  SetPlatformHost(std::move(owned));
  ResetPlatformState();
  const fs::path dir = fs::temp_directory_path() / ("tolvane-soak-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  host.executablePath = (dir / "tolvane").string();

  int32_t gamePresents = 0, gamesEnded = 0, gameOvers = 0;
  int32_t lastOpens = 0;
  host.onPresent = [&](const uint16_t*) {
    if (host.screenOpens != lastOpens) {  // a new game
      lastOpens = host.screenOpens;
      gamePresents = 0;
    }
    ++gamePresents;
    if (gamePresents == 3) {
      player1Energy = 0;
      ++gamesEnded;
    }
    // Escape only once both players are gone: it leaves the game-over screen.
    const bool gone = player1State == 0 && player2State == 0;
    if (gone && !LiveKeys()[1]) ++gameOvers;
    host.SetKey(1, gone);
  };

  int32_t code = -1;
  try {
    StartUp();
  } catch (const ProgramExit& e) {
    code = e.code;
  }
  fs::remove_all(dir);

  EXPECT_EQ(code, 0);
  EXPECT_EQ(host.menus, ROUNDS + 1);
  EXPECT_EQ(host.screenOpens, ROUNDS);
  EXPECT_EQ(gamesEnded, ROUNDS);
  EXPECT_EQ(gameOvers, ROUNDS) << "every game ends through game over, none by Escape";
  EXPECT_EQ(gamePlayed, 1);
  EXPECT_EQ(host.roomsAtEnd, host.roomsAtStart);
  const double grownKb = (double(host.residentAtEnd) - double(host.residentAtStart)) / 1024.0;
  std::printf("resident memory: %.0f KB at round %d, %.0f KB at round %d (%+.0f KB)\n",
              double(host.residentAtStart) / 1024.0, MEASURED_FROM, double(host.residentAtEnd) / 1024.0,
              ROUNDS, grownKb);
  if (RESIDENT_MEMORY_MEANINGFUL) {
    EXPECT_LT(grownKb, 1024.0);
  }
}
}  // namespace
