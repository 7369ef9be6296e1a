#include "platform/audio/NullSink.h"

#include <stdexcept>
#include <thread>

namespace {
// How far ahead of the play head a writer may get, like a device buffer.
constexpr std::chrono::milliseconds kLead{50};
}  // namespace

NullSink::NullSink(NullPacing pacing) : pacing_(pacing) {}

void NullSink::Open(long rate, int channels) {
  if (rate <= 0 || channels <= 0) throw std::runtime_error("null sink: bad format");
  rate_ = rate;
  running_ = false;
}

NullSink::Clock::time_point NullSink::EndOfWritten() const {
  const auto micros = static_cast<std::int64_t>(written_ * 1000000 / static_cast<std::uint64_t>(rate_));
  return start_ + std::chrono::microseconds(micros);
}

void NullSink::Write(const std::int16_t*, std::size_t frames) {
  if (pacing_ == NullPacing::None) return;
  const auto now = Clock::now();
  // After an underrun (the writer paused without dropping) the clock restarts.
  if (!running_ || EndOfWritten() < now) {
    running_ = true;
    start_ = now;
    written_ = 0;
  }
  written_ += frames;
  std::this_thread::sleep_until(EndOfWritten() - kLead);
}

void NullSink::Drop() { running_ = false; }

void NullSink::Drain() {
  if (pacing_ == NullPacing::RealTime && running_) std::this_thread::sleep_until(EndOfWritten());
  running_ = false;
}

void NullSink::Close() { running_ = false; }
