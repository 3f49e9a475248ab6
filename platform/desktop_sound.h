// Sound output on OpenAL Soft: one buffer and one source per sound number.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/host.h"

class DesktopSound {
 public:
  ~DesktopSound() { Close(); }
  bool Open();
  bool IsOpen() const { return context_ != nullptr; }
  void Make(int32_t n, const SoundData& data);
  void Free(int32_t n);
  void Play(int32_t n, bool loop);
  void Close();
  // Why Open failed.
  const std::string& Failure() const { return failure_; }

 private:
  struct Voice {
    uint32_t buffer = 0;
    uint32_t source = 0;
  };
  void* device_ = nullptr;   // ALCdevice
  void* context_ = nullptr;  // ALCcontext
  std::map<int32_t, Voice> voices_;
  std::string failure_;
};
