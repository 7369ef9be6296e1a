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

const char* DriverOf(AudioChoice choice) { return choice == AudioChoice::Pulse ? "pulse" : "alsa"; }

// libout123's own default list is not tried: on a machine without a sound
// server it spends seconds starting jack and then settles on OpenAL's silent
// fallback, which plays nowhere and can hang on drop.
std::unique_ptr<AudioSink> OpenFirstDevice() {
  for (const char* driver : {"pulse", "alsa", "oss"}) {
    if (auto opening = Out123Sink::TryOpen(driver); opening.sink) return std::move(opening.sink);
  }
  return nullptr;
}

void SayCannotOpen(const char* driver, const std::string& why) {
  Diagnose(std::string("cannot open ") + driver + " sound output (" + why + "), playing silently");
}

}  // namespace

AudioSinkFactory MakeAudioSinkFactory(AudioChoice choice) {
  if (choice == AudioChoice::Null) return MakeNullSinkFactory(NullPacing::RealTime);
  auto warned = std::make_shared<std::atomic<bool>>(false);
  if (choice == AudioChoice::Auto) {
    return [warned]() -> std::unique_ptr<AudioSink> {
      if (auto sink = OpenFirstDevice()) return sink;
      if (!warned->exchange(true)) Diagnose("no sound device found, playing silently");
      return std::make_unique<NullSink>(NullPacing::RealTime);
    };
  }
  // The output asked for by name is tried at once, so that the owner learns
  // at start why it cannot play.
  const char* driver = DriverOf(choice);
  if (const auto opening = Out123Sink::TryOpen(driver); !opening.sink) {
    SayCannotOpen(driver, opening.failure);
    return MakeNullSinkFactory(NullPacing::RealTime);
  }
  return [driver, warned]() -> std::unique_ptr<AudioSink> {
    auto opening = Out123Sink::TryOpen(driver);
    if (opening.sink) return std::move(opening.sink);
    if (!warned->exchange(true)) SayCannotOpen(driver, opening.failure);
    return std::make_unique<NullSink>(NullPacing::RealTime);
  };
}

AudioSinkFactory MakeNullSinkFactory(NullPacing pacing) {
  return [pacing]() -> std::unique_ptr<AudioSink> { return std::make_unique<NullSink>(pacing); };
}
