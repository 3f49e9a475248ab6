#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {
const uint16_t PANEL = ScreenColour(0, 0, 200);
const uint16_t PLAYER_PANEL = ScreenColour(0, 0, 96);
const uint16_t BAR = ScreenColour(0, 248, 0);
const uint16_t BAR_BACK = ScreenColour(54, 54, 54);

class Scenery : public GameScreen {
 protected:
  void SetUp() override {
    GameScreen::SetUp();
    ResetScenery();
    decorScroll = 0;
    player1State = 1;
    player2State = 0;
    ResetPlayers();
  }
  // Pixels of the bar row (y) from x 42 that show the full bar's colour.
  int32_t BarWidth(int32_t x0, int32_t y) const {
    int32_t n = 0;
    while (x0 + n < SCREEN_WIDTH && Pixel(x0 + n, y) == BAR) ++n;
    return n;
  }
  void MakeHudSprites() {
    MakeSolidSprite(6, 372, 39, {0, 0, 200});
    MakeSolidSprite(7, 170, 22, {0, 0, 96});
    MakeSolidSprite(40, 100, 3, {0, 248, 0});
    MakeSolidSprite(41, 100, 3, {54, 54, 54});
  }
};

TEST_F(Scenery, ResetPlacesDecorAndStarsInTheirRanges) {
  for (int32_t i = 1; i <= 1000; ++i) {
    ASSERT_GE(decorX[i], i * 1200);
    ASSERT_LE(decorX[i], i * 1200 + 500);
    ASSERT_GE(decorY[i], 100);
    ASSERT_LE(decorY[i], 320);
    ASSERT_GE(decorSprite[i], 1);
    ASSERT_LE(decorSprite[i], 5);
  }
  for (int32_t i = 1; i <= 100; ++i) {
    ASSERT_LE(starX[i], i <= 60 ? 799 : 0);
    ASSERT_LE(starY[i], i <= 60 ? 550 : 0);
  }
}

// The set-up draws 3000 numbers for the decor (x, y, sprite per object) and
// then 120 for the stars (x, y per star), and nothing else.
TEST_F(Scenery, GameSetUpDrawsDecorThenStarsAndNothingElse) {
  struct StopAtFirstPresent {};
  host_->onPresent = [](const uint16_t*) { throw StopAtFirstPresent{}; };
  host_->Seed(4242);
  host_->randomDraws.clear();
  EXPECT_THROW(RunGame(), StopAtFirstPresent);
  std::vector<TestHost::RandomDraw> expected;
  for (int32_t i = 1; i <= 1000; ++i) {
    expected.push_back({500, decorX[i] - i * 1200});
    expected.push_back({220, decorY[i] - 100});
    expected.push_back({4, decorSprite[i] - 1});
  }
  for (int32_t i = 1; i <= 60; ++i) {
    expected.push_back({799, starX[i]});
    expected.push_back({550, starY[i]});
  }
  EXPECT_EQ(host_->randomDraws, expected);
}

TEST_F(Scenery, StarsAtTheLeftEdgeReenterAt799WithANewHeight) {
  std::map<int32_t, int32_t> heights;
  groundStripX1 = groundStripX2 = 5000;  // keep the ground off the stars
  for (int32_t round = 0; round < 40; ++round) {
    FillTarget(0, 0, 0);
    for (int32_t i = 1; i <= 60; ++i) starX[i] = 0;
    DrawScenery();
    for (int32_t i = 1; i <= 60; ++i) {
      ASSERT_EQ(starX[i], 799);
      ASSERT_GE(starY[i], 1);
      ASSERT_LE(starY[i], 551);
      heights[starY[i]] += 1;
      if (i > 40) {
        EXPECT_EQ(Pixel(799, starY[i]), ScreenColour(150, 150, 150));
      } else {
        EXPECT_NE(Pixel(799, starY[i]), 0) << i;  // drawn at its new height
      }
    }
  }
  EXPECT_GT(heights.size(), 400u);  // new heights, not one repeated value
}

TEST_F(Scenery, StarsMoveBySinglePrecisionSteps) {
  float nearRef = 0.0f, farRef = 0.0f;
  for (int32_t f = 0; f < 5000; ++f) {
    AdvanceScroll();
    nearRef -= 2.6f;
    farRef -= 1.8f;
  }
  EXPECT_EQ(starScrollNear, nearRef);
  EXPECT_EQ(starScrollFar, farRef);
  EXPECT_NE(double(starScrollNear), -5000 * 2.6);  // the float walk drifts from the exact product
  EXPECT_EQ(groundScroll, -5000.0f);

  // A far star is drawn at its exact sum rounded half to even.
  starX[41] = 700;
  starY[41] = 300;
  starScrollFar = -0.5f;
  FillTarget(0, 0, 0);
  DrawScenery();
  EXPECT_EQ(Pixel(700, 300), ScreenColour(150, 150, 150));  // 699.5 -> 700
  starScrollFar = -1.5f;
  FillTarget(0, 0, 0);
  DrawScenery();
  EXPECT_EQ(Pixel(698, 300), ScreenColour(150, 150, 150));  // 698.5 -> 698
}

TEST_F(Scenery, GroundStripsWrapAt1100_2200_3300) {
  std::vector<std::tuple<int32_t, int32_t, int32_t>> changes;  // frame, x1, x2
  int32_t x1 = groundStripX1, x2 = groundStripX2;
  for (int32_t frame = 1; frame <= 3300; ++frame) {
    AdvanceScroll();
    WrapGroundStrips();
    if (groundStripX1 != x1 || groundStripX2 != x2) changes.emplace_back(frame, groundStripX1, groundStripX2);
    x1 = groundStripX1;
    x2 = groundStripX2;
  }
  EXPECT_EQ(changes, (std::vector<std::tuple<int32_t, int32_t, int32_t>>{
                         {1100, 2200, 1100}, {2200, 2200, 3300}, {3300, 4400, 3300}}));
}

TEST_F(Scenery, GroundIsDrawnAtTheFloorOfItsScroll) {
  MakeSolidSprite(0, 1101, 152, {200, 0, 0});
  groundScroll = -3.5f;  // floor -4, not -3
  groundStripX1 = 5000;
  groundStripX2 = 803;
  DrawScenery();
  EXPECT_EQ(Pixel(799, 500), ScreenColour(200, 0, 0));
  EXPECT_EQ(Pixel(799, 499), 0);
  EXPECT_EQ(Pixel(798, 500), 0);
}

TEST_F(Scenery, LargePlanetIsAlwaysDrawnAtY150) {
  MakeSolidSprite(5, 20, 10, {0, 200, 0});
  MakeSolidSprite(2, 20, 10, {0, 0, 200});
  decorScroll = -7;
  EXPECT_EQ(DrawDecorObject(5, 107, 300), 0);
  EXPECT_EQ(Pixel(100, 150), ScreenColour(0, 200, 0));
  EXPECT_EQ(Pixel(100, 300), 0);
  DrawDecorObject(2, 307, 300);
  EXPECT_EQ(Pixel(300, 300), ScreenColour(0, 0, 200));

  decorSprite.fill(1);
  decorX.fill(100000);
  decorSprite[1] = 5;
  decorX[1] = 500;
  decorY[1] = 320;
  FillTarget(0, 0, 0);
  DrawScenery();
  EXPECT_EQ(Pixel(493, 150), ScreenColour(0, 200, 0));
}

TEST_F(Scenery, HudHidesWhileAShipIsInItsCorner) {
  MakeHudSprites();
  struct Case {
    int32_t x1, y1, x2, y2, state2;
    bool shown;
  };
  const std::vector<Case> cases = {
      {390, 50, 200, 200, 0, false}, {391, 50, 200, 200, 0, true}, {390, 51, 200, 200, 0, true},
      {500, 300, 0, 0, 0, false},    // a gone player still hides it where it stands
      {500, 300, 200, 200, 0, true},  // an absent player 2 at its start never does
  };
  for (const Case& c : cases) {
    player1X = c.x1;
    player1Y = c.y1;
    player2X = c.x2;
    player2Y = c.y2;
    player2State = c.state2;
    host_->textsDrawn.clear();
    FillTarget(0, 0, 0);
    DrawHud();
    EXPECT_EQ(Pixel(10, 10) == PANEL, c.shown) << c.x1 << "," << c.y1 << " / " << c.x2 << "," << c.y2;
    EXPECT_EQ(host_->textsDrawn.size(), c.shown ? 1u : 0u);
    EXPECT_EQ(SpriteExtentX(43), 100);  // the bars are made whether shown or not
  }
}

TEST_F(Scenery, BarsShowEnergyAndHalfTheAmmunitionRoundedToEven) {
  MakeHudSprites();
  player1X = player1Y = 500;
  player2State = 1;
  player2X = player2Y = 500;
  struct Case {
    int32_t ammunition, energy, ammoBar, energyBar;
  };
  for (const Case& c : std::vector<Case>{{199, 100, 100, 100}, {197, 55, 98, 55}, {1, 0, 0, 0}, {200, -5, 100, 0},
                                          {3, 1, 2, 1}}) {
    ammo[1][1] = c.ammunition;
    ammo[2][1] = c.ammunition;
    player1Energy = c.energy;
    player2Energy = c.energy;
    FillTarget(0, 0, 0);
    DrawHud();
    EXPECT_EQ(BarWidth(42, 31), c.ammoBar) << c.ammunition;
    EXPECT_EQ(BarWidth(42, 25), c.energyBar) << c.energy;
    EXPECT_EQ(BarWidth(227, 31), c.ammoBar) << c.ammunition;
    EXPECT_EQ(BarWidth(227, 25), c.energyBar) << c.energy;
    EXPECT_EQ(Pixel(42 + c.ammoBar, 31), c.ammoBar < 100 ? BAR_BACK : PLAYER_PANEL);
  }
}

// Each panel's bars belong to its own player and that player's weapon.
TEST_F(Scenery, EachPlayersBarsShowThatPlayersEnergyAndAmmunition) {
  MakeHudSprites();
  player1X = player1Y = player2X = player2Y = 500;
  player2State = 1;
  player1Weapon = 2;
  player2Weapon = 4;
  for (int32_t w = 1; w <= 7; ++w) ammo[1][w] = ammo[2][w] = 10;
  ammo[1][2] = 120;  // bar 60
  ammo[2][4] = 57;   // 28.5: bar 28
  player1Energy = 83;
  player2Energy = 35;
  FillTarget(0, 0, 0);
  DrawHud();
  EXPECT_EQ(BarWidth(42, 25), 83);
  EXPECT_EQ(BarWidth(42, 31), 60);
  EXPECT_EQ(BarWidth(227, 25), 35);
  EXPECT_EQ(BarWidth(227, 31), 28);
}

TEST_F(Scenery, ScoreAndPanelsFollowThePlayersStates) {
  MakeHudSprites();
  MakeSolidSprite(32, 15, 14, {248, 0, 0});  // icon of weapon 3
  player1X = player1Y = 500;
  player2X = player2Y = 500;
  player1Weapon = 3;
  score = -1234;
  struct Case {
    int32_t state1, state2;
    std::vector<std::pair<int32_t, int32_t>> textAt;
  };
  for (const Case& c : std::vector<Case>{
           {1, 1, {{146, 22}, {331, 22}}}, {1, 0, {{146, 22}}}, {2, 1, {{331, 22}}}, {0, 0, {}}}) {
    player1State = c.state1;
    player2State = c.state2;
    host_->textsDrawn.clear();
    FillTarget(0, 0, 0);
    DrawHud();
    std::vector<std::pair<int32_t, int32_t>> at;
    for (const auto& t : host_->textsDrawn) {
      EXPECT_EQ(t.text, "-1234");
      EXPECT_EQ(t.colour, ScreenColour(200, 200, 200));
      at.emplace_back(t.x, t.y);
    }
    EXPECT_EQ(at, c.textAt);
    EXPECT_EQ(Pixel(24, 22) == ScreenColour(248, 0, 0), c.state1 == 1);
    EXPECT_EQ(Pixel(42, 25) == BAR, c.state1 == 1);
  }
}

// In a real frame the HUD is drawn last: a beam fired from a ship near the
// top left passes under the panel, and the bars and the score already show
// what the beam did in this frame (a fighter shot down, player 2 hit).
TEST_F(Scenery, InAFrameTheHudLiesOverTheShotsAndShowsWhatTheyDid) {
  struct StopAfterTheFrame {};
  constexpr int32_t ATTACK = 57;
  const uint16_t BEAM = ScreenColour(248, 252, 248);
  keyTable[5] = ATTACK;
  player1State = player2State = 1;
  playerCount = 2;
  escLatch = 1;
  host_->SetKey(ATTACK, true);
  std::vector<uint16_t> picture;
  std::vector<TestHost::TextDrawn> texts;
  host_->onPresent = [&](const uint16_t* pixels) {
    if (host_->presents == 1) {
      // The game's media are loaded: put ours in their place.
      MakeHudSprites();
      MakeSolidSprite(SPRITE_BEAM, 1, 600, {248, 252, 248});
      MakeSolidSprite(SPRITE_PLAYER1_SHEET, 100, 150, {200, 200, 200});
      MakeSolidSprite(SPRITE_PLAYER2_SHEET, 100, 150, {200, 200, 200});
      MakeSolidSprite(SPRITE_FIGHTER_SHEET, 164, 5 * 85, {200, 0, 200});
      player1X = 20;  // just below the corner that hides the HUD
      player1Y = 60;
      player1Weapon = 3;  // the beam, fired at the end of frame 1 from x 85
      player1LastShotTime = int32_t(host_->now - 1000);
      player2X = 90;
      player2Y = 250;
    } else if (host_->presents == 2) {
      ASSERT_EQ(beamState[1], 1);
      ASSERT_EQ(beamX[1], 85);
      // Frame 2 moves the beam to x 100, through a fighter and player 2.
      fighterState[1] = 1;
      fighterX[1] = 50 + fighterSpeed;
      fighterY[1] = 400;
      player2Energy = 150;
      score = 1000;
      host_->textsDrawn.clear();
    } else {
      picture.assign(pixels, pixels + SCREEN_WIDTH * SCREEN_HEIGHT);
      texts = host_->textsDrawn;
      throw StopAfterTheFrame{};
    }
  };
  EXPECT_THROW(RunGame(), StopAfterTheFrame);
  ASSERT_EQ(picture.size(), size_t(SCREEN_WIDTH * SCREEN_HEIGHT));
  const auto at = [&](int32_t x, int32_t y) { return picture[y * SCREEN_WIDTH + x]; };
  EXPECT_EQ(fighterState[1], 2);
  EXPECT_EQ(score, 1020);
  EXPECT_EQ(player2Energy, 50);
  EXPECT_EQ(at(100, 9), BEAM);   // above the panel
  EXPECT_EQ(at(100, 70), BEAM);  // below it, over player 1's ship
  int32_t beamInPanel = 0;
  for (int32_t y = 10; y <= 48; ++y) beamInPanel += at(100, y) == BEAM;
  EXPECT_EQ(beamInPanel, 0);
  EXPECT_EQ(at(100, 12), PANEL);
  EXPECT_EQ(at(100, 20), PLAYER_PANEL);
  EXPECT_EQ(at(100, 25), BAR);
  int32_t p2Bar = 0;
  while (p2Bar < 200 && at(227 + p2Bar, 25) == BAR) ++p2Bar;
  EXPECT_EQ(p2Bar, 50);
  std::vector<std::tuple<int32_t, int32_t, std::string>> shown;
  for (const auto& t : texts) shown.emplace_back(t.x, t.y, t.text);
  EXPECT_EQ(shown, (std::vector<std::tuple<int32_t, int32_t, std::string>>{{146, 22, "1020"}, {331, 22, "1020"}}));
}
}  // namespace
