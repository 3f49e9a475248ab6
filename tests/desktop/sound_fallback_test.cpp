// A desktop whose sound output cannot open: the game still starts, silent.
// The library picks its backend once, so this runs in a process of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/host.h"
#include "platform/platform.h"
#include "tests/desktop/test_bmp.h"

namespace {

// The wave-file output into a folder that does not exist cannot open.
void BreakTheOutput() {
  setenv("ALSOFT_CONF", "/nonexistent-tolvane-folder/alsoft.conf", 1);
  setenv("ALSOFT_DRIVERS", "wave", 1);
  setenv("ALSOFT_WAVE_FILE", "/nonexistent-tolvane-folder/out.wav", 1);
}

TEST(NoSoundOutput, TheSoundServiceStartsSilentAndSaysWhy) {
  BreakTheOutput();
  SetPlatformHost(MakeDesktopHost());
  testing::internal::CaptureStderr();
  const int32_t started = StartSoundSystem();
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(started, 1);
  EXPECT_NE(said.find("no sound output ("), std::string::npos) << said;
  EXPECT_NE(said.find("); playing without sound"), std::string::npos) << said;

  // Sounds are made and started as usual; nobody hears them.
  const std::vector<uint8_t> wav = MakeWav();
  EXPECT_EQ(SoundFromMemory(3, MemoryFile(wav)), 1);
  StartSound(3, 0);
  StartSound(3, 0);
  StartSound(3, 1);
}

}  // namespace
