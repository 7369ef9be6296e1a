#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioSink.h"

// A sink that plays nothing. With real-time pacing it consumes samples at the
// rate of the open format on a steady clock, keeping a small lead like a
// device buffer, so a writer sees the timing of a sound card.
class NullSink : public AudioSink {
 public:
  explicit NullSink(NullPacing pacing);

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override;
  void Drain() override;
  void Close() override;

 private:
  using Clock = std::chrono::steady_clock;

  Clock::time_point EndOfWritten() const;

  NullPacing pacing_;
  long rate_ = 44100;
  bool running_ = false;   // the clock runs from start_
  Clock::time_point start_{};
  std::uint64_t written_ = 0;  // frames since start_
};
