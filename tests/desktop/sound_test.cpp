// Sound through OpenAL Soft's wave-file backend: what the mixer wrote is
// what a player would have heard. The mixer keeps pace with the clock but
// falls behind on a busy machine, so the tests wait for what it has written,
// not for the time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/host.h"

namespace {
namespace fs = std::filesystem;

// One mixer output file per test process; the library reads its configuration once.
fs::path WaveOutput() {
  static const fs::path file = [] {
    const fs::path dir = fs::temp_directory_path() / ("tolvane-sound-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "alsoft.conf") << "[general]\nchannels = mono\nsample-type = int16\n"
                                       << "frequency = 44100\n[wave]\nfile = "
                                       << (dir / "out.wav").string() << "\n";
    setenv("ALSOFT_CONF", (dir / "alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    static fs::path cleanUp;
    cleanUp = dir;
    std::atexit([] { fs::remove_all(cleanUp); });
    return dir / "out.wav";
  }();
  return file;
}

struct Recording {
  int32_t rate = 0;
  std::vector<float> samples;  // mono, -1..1
};

// The mixer writes 16-bit mono as configured; the chunks are found by name.
Recording ReadWave(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Recording r;
  if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0) return r;
  size_t at = 12;
  while (at + 8 <= f.size()) {
    uint32_t size;
    std::memcpy(&size, &f[at + 4], 4);
    const size_t body = at + 8;
    if (std::memcmp(&f[at], "fmt ", 4) == 0 && body + 8 <= f.size()) {
      std::memcpy(&r.rate, &f[body + 4], 4);
    } else if (std::memcmp(&f[at], "data", 4) == 0) {
      const size_t end = std::min(f.size(), size == 0 || size == 0xFFFFFFFFu ? f.size() : body + size);
      for (size_t i = body; i + 1 < end; i += 2) {
        int16_t s;
        std::memcpy(&s, &f[i], 2);
        r.samples.push_back(s / 32768.0f);
      }
      break;
    }
    at = body + size + (size & 1);
  }
  return r;
}

// 16-bit mono: `tone` seconds of a sine, then silence up to `length` seconds.
SoundData Tone(float hz, float tone, float length, float amplitude, int32_t rate = 22050) {
  SoundData d{1, rate, 16, {}};
  const int32_t n = int32_t(length * rate), toned = int32_t(tone * rate);
  for (int32_t i = 0; i < n; ++i) {
    const float v = i < toned ? amplitude * std::sin(2 * float(M_PI) * hz * float(i) / float(rate)) : 0;
    const auto s = int16_t(std::lround(v * 32767));
    d.samples.push_back(uint8_t(s & 0xFF));
    d.samples.push_back(uint8_t(uint16_t(s) >> 8));
  }
  return d;
}

// Amplitude of one frequency in a stretch of the recording (Goertzel).
float AmplitudeAt(const Recording& r, size_t from, size_t count, float hz) {
  const float w = 2 * float(M_PI) * hz / float(r.rate), k = 2 * std::cos(w);
  float s1 = 0, s2 = 0;
  for (size_t i = from; i < from + count && i < r.samples.size(); ++i) {
    const float s = r.samples[i] + k * s1 - s2;
    s2 = s1, s1 = s;
  }
  const float power = s1 * s1 + s2 * s2 - k * s1 * s2;
  return 2 * std::sqrt(std::max(power, 0.0f)) / float(count);
}

// Starts (in ms) of loud stretches that follow at least 50 ms of quiet.
std::vector<int32_t> Onsets(const Recording& r) {
  std::vector<int32_t> onsets;
  const size_t window = size_t(r.rate) / 200;  // 5 ms
  int32_t quietWindows = 10;
  for (size_t at = 0; at + window <= r.samples.size(); at += window) {
    float peak = 0;
    for (size_t i = at; i < at + window; ++i) peak = std::max(peak, std::fabs(r.samples[i]));
    if (peak > 0.05f) {
      if (quietWindows >= 10) onsets.push_back(int32_t(at * 1000 / size_t(r.rate)));
      quietWindows = 0;
    } else {
      ++quietWindows;
    }
  }
  return onsets;
}

int64_t Milliseconds(const Recording& r) { return r.rate > 0 ? int64_t(r.samples.size()) * 1000 / r.rate : 0; }

class WaveSound : public ::testing::Test {
 protected:
  void SetUp() override {
    output = WaveOutput();
    host = MakeDesktopHost();
    ASSERT_TRUE(host->OpenSound());
  }
  int64_t Recorded() { return Milliseconds(ReadWave(output)); }
  // Until the mixer has written `ms` milliseconds. A start reaches the file
  // a mixing period or two after the call, far less than the 300 ms more
  // that the tests wait after it.
  void WaitUntilRecorded(int64_t ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (Recorded() < ms && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(Recorded(), ms) << "the mixer stopped writing";
  }
  Recording Finish() {
    host->CloseSound();
    Recording r = ReadWave(output);
    EXPECT_GT(r.rate, 0);
    return r;
  }
  fs::path output;
  std::unique_ptr<PlatformHost> host;
};

TEST_F(WaveSound, TwoSoundsStartedTogetherAreHeardTogether) {
  host->MakeSound(0, Tone(440, 0.6f, 0.6f, 0.3f));
  host->MakeSound(5, Tone(1250, 0.6f, 0.6f, 0.3f, 11025));
  host->PlaySound(0, false);
  host->PlaySound(5, false);
  WaitUntilRecorded(Recorded() + 500);
  const Recording r = Finish();
  const std::vector<int32_t> onsets = Onsets(r);
  ASSERT_FALSE(onsets.empty()) << "silent output";
  const size_t from = size_t(onsets[0] + 50) * size_t(r.rate) / 1000, count = size_t(r.rate) / 10;
  EXPECT_GT(AmplitudeAt(r, from, count, 440), 0.1f);
  EXPECT_GT(AmplitudeAt(r, from, count, 1250), 0.1f);
  EXPECT_LT(AmplitudeAt(r, from, count, 2500), 0.03f);
}

TEST_F(WaveSound, StartingAPlayingSoundRestartsItFromTheBeginning) {
  // A short burst at the start of a long sound: only a restart sounds it
  // again. Long enough that a test held up for seconds still restarts it.
  constexpr int32_t LENGTH_MS = 10000;
  host->MakeSound(3, Tone(1000, 0.04f, LENGTH_MS / 1000.0f, 0.5f));
  WaitUntilRecorded(150);
  host->PlaySound(3, false);
  WaitUntilRecorded(Recorded() + 400);
  host->PlaySound(3, false);
  WaitUntilRecorded(Recorded() + 300);
  const Recording r = Finish();
  const std::vector<int32_t> onsets = Onsets(r);
  ASSERT_EQ(onsets.size(), 2u);
  EXPECT_GE(onsets[0], 100);  // nothing before the first start
  // The second start came at least 300 ms later, before the sound's end.
  EXPECT_GE(onsets[1] - onsets[0], 200);
  EXPECT_LE(onsets[1] - onsets[0], LENGTH_MS - 500);
}

TEST_F(WaveSound, LoopingSoundKeepsPlaying) {
  host->MakeSound(2, Tone(1000, 0.04f, 0.1f, 0.5f));
  host->PlaySound(2, true);
  WaitUntilRecorded(Recorded() + 500);
  EXPECT_GE(Onsets(Finish()).size(), 3u);
}

TEST_F(WaveSound, FreedReplacedAndUnknownSoundsStaySilentOrChange) {
  host->MakeSound(1, Tone(1000, 0.3f, 0.3f, 0.5f));
  host->FreeSound(1);
  host->PlaySound(1, false);
  host->PlaySound(9, false);  // never made
  // A format the mixer does not take leaves the number empty.
  host->MakeSound(4, Tone(700, 0.3f, 0.3f, 0.5f));
  host->MakeSound(4, SoundData{6, 44100, 16, std::vector<uint8_t>(1200, 0x40)});
  host->PlaySound(4, false);
  // A ragged tail is dropped, the rest plays; the new sound replaces the old.
  SoundData ragged = Tone(1500, 0.2f, 0.2f, 0.5f);
  ragged.samples.push_back(0x7F);
  host->MakeSound(6, Tone(300, 0.2f, 0.2f, 0.5f));
  host->MakeSound(6, ragged);
  WaitUntilRecorded(100);
  host->PlaySound(6, false);
  WaitUntilRecorded(Recorded() + 300);
  const Recording r = Finish();
  const std::vector<int32_t> onsets = Onsets(r);
  ASSERT_EQ(onsets.size(), 1u);
  const size_t from = size_t(onsets[0] + 20) * size_t(r.rate) / 1000, count = size_t(r.rate) / 10;
  EXPECT_GT(AmplitudeAt(r, from, count, 1500), 0.2f);
  EXPECT_LT(AmplitudeAt(r, from, count, 300), 0.03f);
}

TEST_F(WaveSound, AfterCloseNothingIsMadeOrPlayed) {
  host->MakeSound(0, Tone(440, 0.1f, 0.1f, 0.3f));
  host->CloseSound();
  host->PlaySound(0, false);
  host->MakeSound(1, Tone(440, 0.1f, 0.1f, 0.3f));
  host->PlaySound(1, false);
  host->CloseSound();
  EXPECT_TRUE(host->OpenSound());  // and it opens again
}
}  // namespace
