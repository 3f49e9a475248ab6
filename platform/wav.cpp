// Numbered sounds from RIFF/WAVE images in memory. The host keeps the samples
// and plays them; this side reads the file and remembers which numbers hold one.
#include "platform/host.h"
#include "platform/platform_internal.h"

namespace platform_detail {
namespace {

struct SoundSlot {};
NumberedTable<SoundSlot> sounds(50, 50);

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr size_t FMT_AT = 12;
constexpr size_t CHUNK_HEADER = 8;
constexpr size_t PCM_FORMAT_SIZE = 16;

// "RIFF" at 0, "fmt " at 12, and the chunk right behind fmt holds the samples
// whatever it is called; later chunks (sound 3 has a LIST) are not looked at.
bool ReadWav(MemoryFile data, SoundData& out) {
  const uint8_t* p = data.data();
  const size_t size = data.size();
  if (size < FMT_AT + CHUNK_HEADER) return false;
  if (p[0] != 'R' || p[1] != 'I' || p[2] != 'F' || p[3] != 'F') return false;
  if (p[12] != 'f' || p[13] != 'm' || p[14] != 't' || p[15] != ' ') return false;
  const uint64_t fmtSize = Le32(p + FMT_AT + 4);
  const size_t fmtBody = FMT_AT + CHUNK_HEADER;
  if (fmtSize < PCM_FORMAT_SIZE || fmtBody + fmtSize > size) return false;
  out.channels = Le16(p + fmtBody + 2);
  out.sampleRate = static_cast<int32_t>(Le32(p + fmtBody + 4));
  out.bitsPerSample = Le16(p + fmtBody + 14);
  // Chunks start on even offsets.
  const uint64_t samplesChunk = fmtBody + fmtSize + (fmtSize & 1);
  if (samplesChunk + CHUNK_HEADER > size) return false;
  const uint64_t samplesAt = samplesChunk + CHUNK_HEADER;
  uint64_t count = Le32(p + samplesChunk + 4);
  if (count > size - samplesAt) count = size - samplesAt;
  out.samples.assign(p + samplesAt, p + samplesAt + count);
  return true;
}

}  // namespace

void ResetSounds() { sounds.Reset(); }

void FreeAllSounds() { sounds.FreeAll(); }

}  // namespace platform_detail

using namespace platform_detail;

int32_t StartSoundSystem() {
  sounds.Reset();
  return Host().OpenSound() ? 1 : 0;
}

int32_t SoundFromMemory(int32_t n, MemoryFile data) {
  if (n < 0) return 0;
  if (sounds.Find(n)) {
    sounds.Free(n);
    Host().FreeSound(n);
  }
  SoundData sound;
  if (!ReadWav(data, sound)) return 0;
  Host().MakeSound(n, sound);
  sounds.Make(n, SoundSlot{});
  return 1;
}

void StartSound(int32_t n, int32_t loop) {
  if (sounds.Find(n)) Host().PlaySound(n, loop != 0);
}
