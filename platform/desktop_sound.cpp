#include "platform/desktop_sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cstdio>
#include <string>

namespace {
ALenum FormatOf(const SoundData& data) {
  if (data.channels == 1 && data.bitsPerSample == 8) return AL_FORMAT_MONO8;
  if (data.channels == 1 && data.bitsPerSample == 16) return AL_FORMAT_MONO16;
  if (data.channels == 2 && data.bitsPerSample == 8) return AL_FORMAT_STEREO8;
  if (data.channels == 2 && data.bitsPerSample == 16) return AL_FORMAT_STEREO16;
  return 0;
}
}  // namespace

namespace {
bool MakeCurrent(ALCdevice* device, void** context) {
  ALCcontext* c = alcCreateContext(device, nullptr);
  if (c == nullptr) return false;
  if (alcMakeContextCurrent(c) == ALC_FALSE) {
    alcDestroyContext(c);
    return false;
  }
  *context = c;
  return true;
}

// A device that renders only when asked, which we never do: sounds are made
// and started as usual and simply not heard.
ALCdevice* OpenSilentDevice(void** context) {
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_FALSE) return nullptr;
  auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  if (open == nullptr) return nullptr;
  ALCdevice* device = open(nullptr);
  if (device == nullptr) return nullptr;
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                               ALC_FREQUENCY, 44100, 0};
  ALCcontext* c = alcCreateContext(device, attributes);
  if (c == nullptr || alcMakeContextCurrent(c) == ALC_FALSE) {
    if (c != nullptr) alcDestroyContext(c);
    alcCloseDevice(device);
    return nullptr;
  }
  *context = c;
  return device;
}
}  // namespace

bool DesktopSound::Open() {
  if (IsOpen()) return true;
  failure_.clear();
  ALCdevice* device = alcOpenDevice(nullptr);
  std::string why;
  if (device == nullptr) {
    why = "no output device could be opened";
  } else if (!MakeCurrent(device, &context_)) {
    why = "the output device refused a context";
    alcCloseDevice(device);
    device = nullptr;
  }
  if (device == nullptr) {
    device = OpenSilentDevice(&context_);
    if (device == nullptr) {
      failure_ = "no sound: " + why + ", and OpenAL offers no silent output either";
      return false;
    }
    std::fprintf(stderr, "tolvane: no sound output (%s); playing without sound\n", why.c_str());
  }
  device_ = device;
  return true;
}

void DesktopSound::Make(int32_t n, const SoundData& data) {
  Free(n);
  const ALenum format = FormatOf(data);
  if (!IsOpen() || format == 0 || data.sampleRate <= 0) return;
  // The buffer takes whole sample frames only; a ragged tail is dropped.
  const size_t frame = size_t(data.channels) * size_t(data.bitsPerSample / 8);
  const size_t bytes = data.samples.size() / frame * frame;
  if (bytes == 0 || bytes > size_t(INT32_MAX)) return;
  alGetError();
  Voice v;
  alGenBuffers(1, &v.buffer);
  if (alGetError() != AL_NO_ERROR) return;
  alBufferData(v.buffer, format, data.samples.data(), static_cast<ALsizei>(bytes), data.sampleRate);
  alGenSources(1, &v.source);
  if (alGetError() != AL_NO_ERROR) {
    if (v.source != 0) alDeleteSources(1, &v.source);
    alDeleteBuffers(1, &v.buffer);
    return;
  }
  alSourcei(v.source, AL_BUFFER, static_cast<ALint>(v.buffer));
  voices_[n] = v;
}

void DesktopSound::Free(int32_t n) {
  auto it = voices_.find(n);
  if (it == voices_.end()) return;
  alSourceStop(it->second.source);
  alDeleteSources(1, &it->second.source);
  alDeleteBuffers(1, &it->second.buffer);
  voices_.erase(it);
}

void DesktopSound::Play(int32_t n, bool loop) {
  auto it = voices_.find(n);
  if (it == voices_.end()) return;
  const ALuint source = it->second.source;
  // A playing sound starts again from its first sample.
  alSourceStop(source);
  alSourceRewind(source);
  alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
}

void DesktopSound::Close() {
  if (!IsOpen()) return;
  while (!voices_.empty()) Free(voices_.begin()->first);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(static_cast<ALCcontext*>(context_));
  alcCloseDevice(static_cast<ALCdevice*>(device_));
  context_ = nullptr;
  device_ = nullptr;
}
