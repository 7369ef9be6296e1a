#pragma once

#include <optional>
#include <string_view>

#include "platform/audio/AudioSink.h"

// The sound outputs by name, the default first.
struct AudioChoiceName {
  const char* name;
  AudioChoice choice;
};
inline constexpr AudioChoiceName kAudioChoices[] = {
    {"auto", AudioChoice::Auto},
    {"null", AudioChoice::Null},
    {"pulse", AudioChoice::Pulse},
    {"alsa", AudioChoice::Alsa},
};

// Reads a value of the launcher's --audio option: one of the names above.
// Anything else gives no value.
std::optional<AudioChoice> ParseAudioChoice(std::string_view text);

// The factory for a choice of output.
//  - Auto: libout123's pulse, alsa and oss drivers in turn. When none opens,
//    the factory says so on standard error, once for the factory and all its
//    copies.
//  - Pulse, Alsa: that driver only. It is tried when the factory is made, so
//    that a driver that does not work is named on standard error at start,
//    with the reason.
//  - Null: a silent sink that consumes samples in real time.
// A sink whose device does not open plays silently in real time and asks for
// the device again until it opens (see LateDeviceSink), which is said once on
// standard error; a device lost while it plays is played into silently and
// tried again (see Out123Sink). Make one factory per process and hand copies
// of it to every control, so each notice appears once.
AudioSinkFactory MakeAudioSinkFactory(AudioChoice choice);

// How a null sink consumes samples.
enum class NullPacing {
  RealTime,  // at the rate of a sound device (Write blocks like one)
  None,      // as fast as they come (benchmarks)
};

// Factory of silent sinks; no notice is printed.
AudioSinkFactory MakeNullSinkFactory(NullPacing pacing);
