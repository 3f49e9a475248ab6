#include "highscores/highscores.h"
#include "platform/platform.h"

namespace {
constexpr int32_t RECORD_FILE_SLOT = 0;

struct RecordFormat {
  const char* fileName;
  uint32_t pointsFactor;
  uint32_t offset;
};

constexpr RecordFormat FormatOf(RecordFile file) {
  return file == RecordFile::Single ? RecordFormat{"data1", 13, 13} : RecordFormat{"data2", 14, 15};
}

int32_t Highscore(RecordFile file, int32_t points) {
  const RecordFormat format = FormatOf(file);
  if (points < 0) return 0;
  if (points == 0) {
    if (OpenFileSlotRead(RECORD_FILE_SLOT, format.fileName) == 0) return 0;
    recordName = ReadTextLine();
    recordTown = ReadTextLine();
    recordPoints = ReadInt32();
    recordCheck = ReadInt32();
    CloseFileSlot(RECORD_FILE_SLOT);
    lastRecordName = recordName;
    lastRecordTown = recordTown;
    return RecordCheckValue(file, recordName, recordTown, recordPoints) == recordCheck ? recordPoints : 1;
  }
  if (OpenFileSlotReadWrite(RECORD_FILE_SLOT, format.fileName) == 0) return 0;
  WriteTextLine(recordName);
  WriteTextLine(recordTown);
  WriteInt32(points);
  WriteInt32(RecordCheckValue(file, recordName, recordTown, points));
  CloseFileSlot(RECORD_FILE_SLOT);
  return 0;
}
}  // namespace

// Unsigned arithmetic: the check value wraps at 32 bits by design.
int32_t RecordCheckValue(RecordFile file, const std::string& name, const std::string& town, int32_t points) {
  const RecordFormat format = FormatOf(file);
  uint32_t sum = 0;
  for (const char c : TrimSpaces(name + town)) sum += static_cast<unsigned char>(c);
  return static_cast<int32_t>((sum + static_cast<uint32_t>(points) * format.pointsFactor) * 12u - format.offset);
}

int32_t HighscoreSingle(int32_t points) { return Highscore(RecordFile::Single, points); }
int32_t HighscoreTeam(int32_t points) { return Highscore(RecordFile::Team, points); }
