#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/AudioSink.h"
#include "platform/audio/NullSink.h"

struct out123_struct;

// A sound device through libout123.
//
// When the device fails while it plays (the sound server has gone), the sink
// closes it and goes on in silence at the device's pace, so a player keeps
// its time, and opens the device again every half second until it works.
// The loss and the return are each told once on standard error.
class Out123Sink : public AudioSink {
  struct Key {  // only TryOpen makes a sink
    explicit Key() = default;
  };

 public:
  struct Deleter {
    void operator()(out123_struct* handle) const;
  };
  using Handle = std::unique_ptr<out123_struct, Deleter>;

  struct Opening {
    std::unique_ptr<Out123Sink> sink;  // null when the driver does not work
    std::string failure;               // then, why
  };
  // Opens the driver ("pulse", "alsa", "oss") and checks that it starts with
  // CD-quality stereo.
  static Opening TryOpen(const char* driver);

  Out123Sink(Key, Handle handle, std::string driver);
  Out123Sink(const Out123Sink&) = delete;
  Out123Sink& operator=(const Out123Sink&) = delete;

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override;
  void Drain() override;
  void Close() override;

 private:
  using Clock = std::chrono::steady_clock;

  // The device failed: close it and go on silently.
  void Lose();
  // Starts the device again when a try is due; true when it plays again.
  bool TryToRecover();

  Handle handle_;
  const std::string driver_;
  bool started_ = false;  // a format is set: on the device, or on silent_ while lost
  bool lost_ = false;
  long rate_ = 0;
  int channels_ = 0;
  NullSink silent_{NullPacing::RealTime};
  Clock::time_point nextTry_{};
};
