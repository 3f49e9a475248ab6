#include <string>

#include "tests/platform/platform_fixture.h"

namespace {

void Append(std::vector<uint8_t>& out, const std::string& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
void Append32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Append16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

// RIFF, WAVE, a PCM "fmt " of fmtSize bytes, then the given chunks as they are.
std::vector<uint8_t> MakeWav(int32_t channels, int32_t rate, int32_t bits, uint32_t fmtSize,
                             const std::vector<uint8_t>& chunks) {
  std::vector<uint8_t> out;
  Append(out, "RIFF");
  Append32(out, 0);
  Append(out, "WAVE");
  Append(out, "fmt ");
  Append32(out, fmtSize);
  Append16(out, 1);
  Append16(out, uint16_t(channels));
  Append32(out, uint32_t(rate));
  Append32(out, uint32_t(rate * channels * bits / 8));
  Append16(out, uint16_t(channels * bits / 8));
  Append16(out, uint16_t(bits));
  for (uint32_t i = 16; i < fmtSize; ++i) out.push_back(0);
  if (fmtSize & 1) out.push_back(0);
  out.insert(out.end(), chunks.begin(), chunks.end());
  PutLe32(out, 4, uint32_t(out.size() - 8));
  return out;
}

std::vector<uint8_t> Chunk(const std::string& id, const std::vector<uint8_t>& body, int64_t claimedSize = -1) {
  std::vector<uint8_t> out;
  Append(out, id);
  Append32(out, uint32_t(claimedSize < 0 ? int64_t(body.size()) : claimedSize));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

int32_t Load(int32_t n, const std::vector<uint8_t>& file) { return SoundFromMemory(n, MemoryFile(file.data(), file.size())); }

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = &InstallTestHost();
    ASSERT_NE(StartSoundSystem(), 0);
  }
  TestHost* host = nullptr;
};

TEST_F(SoundTest, TheChunkAfterFmtIsTheSamplesWhateverItsNameAndLaterChunksAreIgnored) {
  const std::vector<uint8_t> samples = {1, 2, 3, 4, 5, 6};
  const auto file = MakeWav(2, 22050, 16, 16, Cat(Chunk("smpl", samples), Chunk("LIST", {9, 9, 9, 9, 9, 9, 9, 9})));
  ASSERT_NE(Load(3, file), 0);
  ASSERT_EQ(host->sounds.count(3), 1u);
  const SoundData& s = host->sounds[3];
  EXPECT_EQ(s.channels, 2);
  EXPECT_EQ(s.sampleRate, 22050);
  EXPECT_EQ(s.bitsPerSample, 16);
  EXPECT_EQ(s.samples, samples);
}

TEST_F(SoundTest, ALongerFmtBodyIsSkipped) {
  const std::vector<uint8_t> samples = {7, 8, 9};
  ASSERT_NE(Load(1, MakeWav(1, 11025, 8, 18, Chunk("data", samples))), 0);
  EXPECT_EQ(host->sounds[1].samples, samples);
  EXPECT_EQ(host->sounds[1].channels, 1);
  EXPECT_EQ(host->sounds[1].bitsPerSample, 8);
}

TEST_F(SoundTest, SizesAreBoundedByTheBlock) {
  const std::vector<uint8_t> samples = {1, 2, 3, 4};
  ASSERT_NE(Load(2, MakeWav(1, 8000, 8, 16, Chunk("data", samples, 0x7FFFFFF0))), 0);
  EXPECT_EQ(host->sounds[2].samples, samples);
}

TEST_F(SoundTest, DataThatBreaksTheRuleIsRefusedAndTheOldSoundIsFreed) {
  const auto good = MakeWav(1, 8000, 8, 16, Chunk("data", {1, 2}));
  std::vector<std::vector<uint8_t>> bad;
  auto notRiff = good;
  notRiff[0] = 'X';
  bad.push_back(notRiff);
  auto fmtElsewhere = good;
  fmtElsewhere[12] = 'F';
  bad.push_back(fmtElsewhere);
  bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 30));  // fmt cut short
  bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 40));  // no samples chunk header
  auto hugeFmt = good;
  PutLe32(hugeFmt, 16, 0xFFFFFFF0u);
  bad.push_back(hugeFmt);
  bad.push_back({});
  for (size_t i = 0; i < bad.size(); ++i) {
    ASSERT_NE(Load(4, good), 0);
    EXPECT_EQ(Load(4, bad[i]), 0) << i;
    EXPECT_EQ(host->sounds.count(4), 0u) << i;
    StartSound(4, 0);
  }
  EXPECT_TRUE(host->soundStarts.empty());
}

TEST_F(SoundTest, StartSoundPlaysOnlyExistingSounds) {
  const auto file = MakeWav(1, 8000, 8, 16, Chunk("data", {1, 2}));
  Load(0, file);
  Load(75, file);  // past the room of 50
  StartSound(0, 0);
  StartSound(5, 0);
  StartSound(75, 0);
  StartSound(-1, 0);
  ASSERT_EQ(host->soundStarts.size(), 2u);
  EXPECT_EQ(host->soundStarts[0].sound, 0);
  EXPECT_EQ(host->soundStarts[1].sound, 75);
  EXPECT_EQ(Load(-1, file), 0);
}

TEST_F(SoundTest, SoundsSurviveLeavingTheFullScreen) {
  Load(6, MakeWav(1, 8000, 8, 16, Chunk("data", {1})));
  StartSpriteSystem();
  EnterFullscreen(800, 600, 16, "Tolvane");
  LeaveFullscreen();
  StartSound(6, 0);
  EXPECT_EQ(host->soundStarts.size(), 1u);
}

}  // namespace
