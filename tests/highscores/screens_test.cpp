#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "highscores/highscores.h"
#include "media/media.h"
#include "platform/test_host.h"
#include "tests/highscores/record_files.h"

namespace {

constexpr int32_t ESC = 0x01;
constexpr int32_t RETURN = 0x1C;
constexpr int32_t PAD_ENTER = 0x9C;
constexpr int32_t BACK = 0x0E;
constexpr int32_t DEL = 0xD3;
constexpr int32_t KEY_A = 0x1E, KEY_B = 0x30, KEY_C = 0x2E, KEY_D = 0x20, KEY_X = 0x2D, KEY_Z = 0x2C;
constexpr uint32_t PASS_MS = 81;  // a name-entry pass on the virtual clock

struct Timeout {};
using Text = std::tuple<int32_t, int32_t, std::string>;

class AfterTheGame : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = &InstallTestHostWithServices();
    ClearSharedState();
    OpenScreenWithStill();
    escLatch = 1;
    host_->onPresent = [this](const uint16_t* pixels) {
      presentTimes_.push_back(host_->now);
      if (keepPictures_) pictures_.emplace_back(pixels, pixels + SCREEN_WIDTH * SCREEN_HEIGHT);
    };
    // A screen that never ends fails its test instead of hanging it.
    host_->onYield = [this] {
      if (host_->now - start_ > 60000) throw Timeout{};
    };
    start_ = host_->now;
  }
  void TearDown() override { ResetPlatformState(); }

  // The screen as the game leaves it: full screen, media loaded, and a still
  // with a pattern, so that where it is drawn shows.
  void OpenScreenWithStill() {
    EnterFullscreen(SCREEN_WIDTH, SCREEN_HEIGHT, 16, "Tolvane");
    LoadGameAssets();
    uint16_t* p = BackBufferPixels();
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
      for (int32_t x = 0; x < SCREEN_WIDTH; ++x) p[y * SCREEN_WIDTH + x] = uint16_t(x * 7 + y * 13 + 1);
    CaptureSprite(SPRITE_SCREEN_STILL, 1, 1, 799, 599, 0);
    FillTarget(0, 0, 0);
  }

  // The picture that the still with these texts over it makes.
  std::vector<uint16_t> Expected(const std::vector<Text>& texts) {
    OpenScreenWithStill();
    BlitSprite(SPRITE_SCREEN_STILL, 1, 1);
    for (const auto& [x, y, text] : texts) DrawBitmapText(x, y, text);
    const uint16_t* p = BackBufferPixels();
    return std::vector<uint16_t>(p, p + SCREEN_WIDTH * SCREEN_HEIGHT);
  }

  // Holds exactly the keys of pass i while pass i waits, counted from now.
  void KeysPerPass(const std::vector<std::vector<int32_t>>& passes) {
    const uint32_t t0 = host_->now;
    std::vector<int32_t> held;
    for (size_t i = 0; i <= passes.size(); ++i) {
      const uint32_t at = t0 + uint32_t(i) * PASS_MS + 1;
      for (int32_t k : held) host_->KeyUpAtTime(at, k);
      held = i < passes.size() ? passes[i] : std::vector<int32_t>{};
      for (int32_t k : held) host_->KeyDownAtTime(at, k);
    }
  }

  std::optional<Screen> Run(Screen (*screen)()) {
    try {
      return screen();
    } catch (const Timeout&) {
      ADD_FAILURE() << "the screen did not end";
      return std::nullopt;
    }
  }

  void StoreRecord(const char* file, int32_t points, bool valid = true) {
    const RecordFile kind = std::string(file) == "data1" ? RecordFile::Single : RecordFile::Team;
    dir_.Put(file, RecordBytes("OLD", "TOWN", points, RecordCheckValue(kind, "OLD", "TOWN", points) + (valid ? 0 : 1)));
  }

  TestHost* host_ = nullptr;
  ProgramDirectory dir_;
  uint32_t start_ = 0;
  bool keepPictures_ = false;
  std::vector<uint32_t> presentTimes_;
  std::vector<std::vector<uint16_t>> pictures_;
};

// ---- game over ----

struct Decision {
  const char* label;
  int32_t players, score;
  std::optional<int32_t> data1, data2;
  bool badCheck;
  bool newRecord;
};
void PrintTo(const Decision& d, std::ostream* os) { *os << d.label; }

class GameOverDecides : public AfterTheGame, public ::testing::WithParamInterface<Decision> {};

TEST_P(GameOverDecides, ByTheRecordOfItsMode) {
  const Decision& d = GetParam();
  playerCount = d.players;
  score = d.score;
  if (d.data1) StoreRecord("data1", *d.data1, !d.badCheck);
  if (d.data2) StoreRecord("data2", *d.data2, !d.badCheck);
  host_->SetKey(ESC, true);
  EXPECT_EQ(Run(GameOver), d.newRecord ? Screen::NameEntry : Screen::Menu);
  // The name entry takes over the open screen; the game-over screen ends with one pass.
  EXPECT_EQ(host_->screenOpen, d.newRecord);
  EXPECT_EQ(host_->presents, d.newRecord ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameOverDecides,
    ::testing::Values(Decision{"NoRecordScoreZero", 1, 0, {}, {}, false, false},
                      Decision{"NoRecordScoreOne", 1, 1, {}, {}, false, true},
                      Decision{"EqualScoreKeepsTheRecord", 1, 500, 500, {}, false, false},
                      Decision{"OneMoreIsARecord", 1, 501, 500, {}, false, true},
                      Decision{"BadCheckCountsAsOne", 1, 1, 100000, {}, true, false},
                      Decision{"BadCheckBeatenByTwo", 1, 2, 100000, {}, true, true},
                      Decision{"ZeroBeatsANegativeRecord", 1, 0, -3, {}, false, true},
                      Decision{"TeamLooksOnlyAtData2", 2, 50, 10, 100, false, false},
                      Decision{"TeamBeatsData2", 2, 50, 100, 10, false, true}),
    [](const ::testing::TestParamInfo<Decision>& info) { return std::string(info.param.label); });

TEST_F(AfterTheGame, GameOverScreenShowsItsTextsUntilEscape) {
  playerCount = 1;
  keepPictures_ = true;
  host_->KeyDownAtPresent(3, ESC);
  EXPECT_EQ(Run(GameOver), Screen::Menu);
  // Escape arrives with present 3 and is taken at the end of that pass.
  ASSERT_EQ(presentTimes_.size(), 3u);
  EXPECT_EQ(presentTimes_[1] - presentTimes_[0], 16u);
  EXPECT_EQ(presentTimes_[2] - presentTimes_[1], 16u);
  EXPECT_EQ(escLatch, 0);
  EXPECT_FALSE(host_->screenOpen);
  EXPECT_EQ(SpriteExists(SPRITE_SCREEN_STILL), 0);
  EXPECT_TRUE(pictures_[1] == Expected({{250, 200, "Game Over"}, {10, 300, "Press Esc To continue..."}}));
}

TEST_F(AfterTheGame, ScoreZeroOverANegativeRecordOnlyReadsIt) {
  playerCount = 1;
  score = 0;
  StoreRecord("data1", -3);
  const Bytes stored = dir_.Get("data1");
  ASSERT_EQ(Run(GameOver), Screen::NameEntry);
  KeysPerPass({{KEY_A}, {RETURN}, {KEY_B}, {RETURN}});
  EXPECT_EQ(Run(EnterHighscoreName), Screen::Menu);
  EXPECT_EQ(dir_.Get("data1"), stored);
}

// Two games in a row, as the menu starts them: each scores a survival bonus
// below the record and then loses its ship. Together the two would beat the
// record; alone neither does. Each starts from 0 on its HUD.
TEST_F(AfterTheGame, EachGameStartsFromZeroAndIsJudgedByItsOwnScore) {
  StoreRecord("data1", 700);
  const Bytes stored = dir_.Get("data1");
  struct Game {
    int32_t bonusFrame, bonus;
  };
  for (const Game g : {Game{1800, 500}, Game{3900, 600}}) {
    playerCount = 1;
    player1State = 1;
    player2State = 0;
    std::vector<std::vector<std::string>> hud;  // the texts of each frame, frame 1 first
    host_->textsDrawn.clear();
    host_->onPresent = [&](const uint16_t*) {
      if (frameCounter > 1) {
        std::vector<std::string> texts;
        for (const auto& t : host_->textsDrawn) texts.push_back(t.text);
        hud.push_back(texts);
      }
      host_->textsDrawn.clear();
      if (hud.size() == 1) frameCounter = g.bonusFrame;  // frame 2 pays the bonus
      if (hud.size() == 2) player1Energy = 0;
    };
    ASSERT_EQ(Run(RunGame), Screen::GameOver) << "game with the bonus of " << g.bonusFrame;
    ASSERT_GE(hud.size(), 3u);
    EXPECT_EQ(hud[0], std::vector<std::string>{"0"}) << "first frame of the game with the bonus of " << g.bonusFrame;
    EXPECT_EQ(hud[1], std::vector<std::string>{std::to_string(g.bonus)});
    EXPECT_EQ(score, g.bonus);
    host_->SetKey(ESC, true);
    EXPECT_EQ(Run(GameOver), Screen::Menu) << "game with the bonus of " << g.bonusFrame;
    host_->SetKey(ESC, false);
  }
  EXPECT_EQ(dir_.Get("data1"), stored);
}

// ---- name entry ----

struct Typing {
  const char* label;
  std::vector<std::vector<int32_t>> passes;  // the keys held in each pass
  std::string name, town;
};
void PrintTo(const Typing& t, std::ostream* os) { *os << t.label; }

class NameEntryTyping : public AfterTheGame, public ::testing::WithParamInterface<Typing> {};

TEST_P(NameEntryTyping, WritesTheRecordTyped) {
  const Typing& t = GetParam();
  playerCount = 1;
  score = 4321;
  KeysPerPass(t.passes);
  EXPECT_EQ(Run(EnterHighscoreName), Screen::Menu);
  EXPECT_EQ(recordName, t.name);
  EXPECT_EQ(recordTown, t.town);
  EXPECT_EQ(dir_.Get("data1"), RecordBytes(t.name, t.town, 4321, RecordCheckValue(RecordFile::Single, t.name, t.town, 4321)));
  EXPECT_FALSE(dir_.Exists("data2"));
  EXPECT_EQ(escLatch, 0);
  EXPECT_FALSE(host_->screenOpen);
  // Each pass takes one key: the last one ends the entry.
  EXPECT_EQ(host_->presents, int32_t(t.passes.size()));
}

std::vector<std::vector<int32_t>> Repeat(std::vector<int32_t> keys, size_t times) {
  return std::vector<std::vector<int32_t>>(times, keys);
}
std::vector<std::vector<int32_t>> Then(std::vector<std::vector<int32_t>> a, const std::vector<std::vector<int32_t>>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameEntryTyping,
    ::testing::Values(
        Typing{"ReturnNeedsText", {{RETURN}, {KEY_A}, {RETURN}, {PAD_ENTER}, {KEY_B}, {PAD_ENTER}}, "A", "B"},
        Typing{"ReturnWinsOverALetterOnceThereIsText", {{RETURN, KEY_A}, {RETURN, KEY_A}, {KEY_X}, {RETURN}}, "A", "X"},
        Typing{"EscapeHasNoEffect", {{ESC}, {ESC, KEY_A}, {ESC, RETURN}, {ESC}, {ESC, KEY_B}, {ESC, RETURN}}, "A", "B"},
        Typing{"ReturnHeldIntoTheTownDoesNotEndIt", {{KEY_A}, {RETURN}, {RETURN}, {RETURN}, {KEY_C}, {RETURN}}, "A", "C"},
        Typing{"BackAndDelete",
               {{KEY_A}, {KEY_B}, {BACK}, {KEY_C}, {DEL}, {BACK}, {KEY_D}, {RETURN}, {KEY_A}, {KEY_B}, {KEY_C}, {DEL}, {KEY_Z}, {RETURN}},
               "D", "Z"},
        Typing{"FirstKeyOfTheTableWins", {{KEY_A}, {KEY_B}, {DEL, BACK}, {KEY_C, 0x39}, {KEY_Z, 0x0B}, {RETURN}, {BACK, KEY_A}, {KEY_D}, {RETURN}}, "A 0", "D"},
        Typing{"ScanCodesAtTheEdgesOfTheTable",
               {{0x15}, {0x2C}, {0x35}, {0x0C}, {0x34}, {0x33}, {0x0B}, {0x02}, {0x0A}, {0x10}, {RETURN}, {0x39}, {0x17}, {0x24}, {RETURN}},
               "YZ-,019Q", " IJ"},
        // Each key alone: "-" comes from 0x35 (right of "."), nothing from 0x0C.
        Typing{"MinusFrom0x35AndNothingFrom0x0C", {{0x35}, {RETURN}, {0x0C}, {KEY_A}, {RETURN}}, "-", "A"},
        Typing{"NoMoreThan23Characters", Then(Then(Repeat({KEY_A}, 24), {{KEY_B}, {BACK}, {KEY_C}, {RETURN}}), Then(Repeat({KEY_Z}, 30), {{RETURN}})),
               std::string(22, 'A') + "C", std::string(23, 'Z')}),
    [](const ::testing::TestParamInfo<Typing>& info) { return std::string(info.param.label); });

TEST_F(AfterTheGame, AKeyHeldForASecondRepeatsAboutEvery80Ms) {
  playerCount = 1;
  score = 10;
  host_->KeyDownAtTime(host_->now + 1, KEY_A);
  host_->KeyUpAtTime(host_->now + 1000, KEY_A);
  host_->KeyDownAtTime(host_->now + 1100, RETURN);
  host_->KeyUpAtTime(host_->now + 1200, RETURN);
  host_->KeyDownAtTime(host_->now + 1250, KEY_B);
  host_->KeyUpAtTime(host_->now + 1350, KEY_B);
  host_->KeyDownAtTime(host_->now + 1400, RETURN);
  Run(EnterHighscoreName);
  EXPECT_EQ(recordName, std::string(12, 'A'));
  // Every pass lasts 81 ms.
  for (size_t i = 1; i < presentTimes_.size(); ++i) EXPECT_EQ(presentTimes_[i] - presentTimes_[i - 1], PASS_MS);
}

TEST_F(AfterTheGame, AQuickTapBetweenTwoSamplesIsMissed) {
  playerCount = 1;
  score = 10;
  host_->KeyDownAtTime(host_->now + 10, KEY_A);
  host_->KeyUpAtTime(host_->now + 60, KEY_A);
  KeysPerPass({{}, {KEY_B}, {RETURN}, {KEY_C}, {RETURN}});
  Run(EnterHighscoreName);
  EXPECT_EQ(recordName, "B");
}

class NameEntryScreen : public AfterTheGame, public ::testing::WithParamInterface<int32_t> {};

TEST_P(NameEntryScreen, ShowsThePromptsAndTheTextOnePassLate) {
  playerCount = GetParam();
  score = 99;
  keepPictures_ = true;
  KeysPerPass({{KEY_A}, {}, {RETURN}, {}, {KEY_B}, {}, {RETURN}});
  EXPECT_EQ(Run(EnterHighscoreName), Screen::Menu);
  ASSERT_EQ(pictures_.size(), 7u);
  const std::string prompt = playerCount == 2 ? "Please enter teamname..." : "Please enter your name...";
  const std::string heading = "You got a new Highscore";
  const std::string town = "your hometown, state...";
  // Present n shows what pass n - 1 drew; the A taken at the end of pass 0 is drawn by pass 1.
  EXPECT_TRUE(pictures_[1] == Expected({{10, 100, heading}, {10, 250, prompt}, {10, 300, ""}}));
  EXPECT_TRUE(pictures_[2] == Expected({{10, 100, heading}, {10, 250, prompt}, {10, 300, "A"}}));
  EXPECT_TRUE(pictures_[4] == Expected({{10, 100, heading + "."}, {10, 250, town}, {10, 300, ""}}));
  EXPECT_TRUE(pictures_[6] == Expected({{10, 100, heading + "."}, {10, 250, town}, {10, 300, "B"}}));
  const char* written = playerCount == 2 ? "data2" : "data1";
  const char* untouched = playerCount == 2 ? "data1" : "data2";
  const RecordFile kind = playerCount == 2 ? RecordFile::Team : RecordFile::Single;
  EXPECT_EQ(dir_.Get(written), RecordBytes("A", "B", 99, RecordCheckValue(kind, "A", "B", 99)));
  EXPECT_FALSE(dir_.Exists(untouched));
}

INSTANTIATE_TEST_SUITE_P(Players, NameEntryScreen, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return info.param == 2 ? std::string("Team") : std::string("Single");
                         });

}  // namespace
