#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/audio/AudioSink.h"
#include "platform/audio/NullSink.h"

// A sound device that was not there when a player first asked for it (the
// sound server starts after the program). The sink plays silently at the
// device's pace and asks for the device again: at once on each new start
// (Open), then at most every half second while it is written to, so a player
// that waits or plays costs no more than one try per interval. Once the device
// opens it takes the current format and plays everything from then on; a loss
// after that is the device's own to handle (see Out123Sink).
class LateDeviceSink : public AudioSink {
 public:
  // Opens the device; null while it is not there. Runs on the writer's thread.
  using Opener = std::function<std::unique_ptr<AudioSink>()>;

  explicit LateDeviceSink(Opener opener);

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override;
  void Drain() override;
  void Close() override;

 private:
  using Clock = std::chrono::steady_clock;

  // Asks for the device when a try is due; true when it plays from now on.
  bool TryToOpen();

  Opener opener_;
  std::unique_ptr<AudioSink> device_;  // null until it opens
  NullSink silent_{NullPacing::RealTime};
  bool started_ = false;  // a format is set
  long rate_ = 0;
  int channels_ = 0;
  Clock::time_point nextTry_{};
};
