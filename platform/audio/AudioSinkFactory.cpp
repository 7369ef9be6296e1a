#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/LateDeviceSink.h"
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

struct Opened {
  std::unique_ptr<AudioSink> sink;  // null when no driver works
  const char* driver = nullptr;
};

// libout123's own default list is not tried: on a machine without a sound
// server it spends seconds starting jack and then settles on OpenAL's silent
// fallback, which plays nowhere and can hang on drop.
Opened OpenFirstDevice() {
  for (const char* driver : {"pulse", "alsa", "oss"}) {
    if (auto opening = Out123Sink::TryOpen(driver); opening.sink) return {std::move(opening.sink), driver};
  }
  return {};
}

void SayCannotOpen(const char* driver, const std::string& why) {
  Diagnose(std::string("cannot open ") + driver + " sound output (" + why + "), playing silently until it opens");
}

// What a factory has told, shared by its copies, so each notice appears once
// however many controls it serves.
struct Notices {
  std::atomic<bool> cannotOpen{false};
  std::atomic<bool> opened{false};
};

// A sink that plays silently until `open` gives it the device, and then says
// once which output plays.
std::unique_ptr<AudioSink> WaitForDevice(std::function<Opened()> open, std::shared_ptr<Notices> notices) {
  return std::make_unique<LateDeviceSink>([open = std::move(open), notices]() -> std::unique_ptr<AudioSink> {
    Opened opened = open();
    if (opened.sink && !notices->opened.exchange(true))
      Diagnose(std::string(opened.driver) + " sound output opened, playing on it");
    return std::move(opened.sink);
  });
}

}  // namespace

AudioSinkFactory MakeAudioSinkFactory(AudioChoice choice) {
  if (choice == AudioChoice::Null) return MakeNullSinkFactory(NullPacing::RealTime);
  auto notices = std::make_shared<Notices>();
  if (choice == AudioChoice::Auto) {
    return [notices]() -> std::unique_ptr<AudioSink> {
      if (Opened opened = OpenFirstDevice(); opened.sink) return std::move(opened.sink);
      if (!notices->cannotOpen.exchange(true)) Diagnose("no sound device found, playing silently until one opens");
      return WaitForDevice(OpenFirstDevice, notices);
    };
  }
  const char* driver = DriverOf(choice);
  const auto open = [driver]() -> Opened { return {Out123Sink::TryOpen(driver).sink, driver}; };
  // The output asked for by name is tried at once, so that the owner learns
  // at start why it cannot play.
  if (const auto opening = Out123Sink::TryOpen(driver); !opening.sink) {
    SayCannotOpen(driver, opening.failure);
    notices->cannotOpen = true;
  }
  return [driver, open, notices]() -> std::unique_ptr<AudioSink> {
    auto opening = Out123Sink::TryOpen(driver);
    if (opening.sink) return std::move(opening.sink);
    if (!notices->cannotOpen.exchange(true)) SayCannotOpen(driver, opening.failure);
    return WaitForDevice(open, notices);
  };
}

AudioSinkFactory MakeNullSinkFactory(NullPacing pacing) {
  return [pacing]() -> std::unique_ptr<AudioSink> { return std::make_unique<NullSink>(pacing); };
}
