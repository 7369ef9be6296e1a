#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/NullSink.h"
#include "platform/audio/Out123Sink.h"
#include "src/seams/Diagnostic.h"

std::optional<AudioChoice> ParseAudioChoice(std::string_view text) {
  for (const AudioChoiceName& known : kAudioChoices)
    if (text == known.name) return known.choice;
  return std::nullopt;
}

namespace {

std::unique_ptr<AudioSink> OpenDevice(AudioChoice choice) {
  switch (choice) {
    case AudioChoice::Pulse:
      return Out123Sink::TryOpen("pulse");
    case AudioChoice::Alsa:
      return Out123Sink::TryOpen("alsa");
    case AudioChoice::Auto:
      // libout123's own default list is not tried: on a machine without a
      // sound server it spends seconds starting jack and then settles on
      // OpenAL's silent fallback, which plays nowhere and can hang on drop.
      for (const char* driver : {"pulse", "alsa", "oss"}) {
        if (auto sink = Out123Sink::TryOpen(driver)) return sink;
      }
      return nullptr;
    case AudioChoice::Null:
      break;
  }
  return nullptr;
}

}  // namespace

AudioSinkFactory MakeAudioSinkFactory(AudioChoice choice) {
  if (choice == AudioChoice::Null) return MakeNullSinkFactory(NullPacing::RealTime);
  auto warned = std::make_shared<std::atomic<bool>>(false);
  return [choice, warned]() -> std::unique_ptr<AudioSink> {
    if (auto sink = OpenDevice(choice)) return sink;
    if (!warned->exchange(true)) {
      Diagnose("no sound device found, playing silently");
    }
    return std::make_unique<NullSink>(NullPacing::RealTime);
  };
}

AudioSinkFactory MakeNullSinkFactory(NullPacing pacing) {
  return [pacing]() -> std::unique_ptr<AudioSink> { return std::make_unique<NullSink>(pacing); };
}
