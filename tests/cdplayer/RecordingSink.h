#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioSink.h"

namespace cdtest {

// What the sinks of one player did, in order, with a gate on Write: each
// Write waits for a permit from the test (or runs freely once the gate is
// opened), so a test decides exactly how far playback gets.
class SinkLog {
 public:
  enum class Kind { Open, Write, Drop, Drain, Close };
  struct Event {
    Kind kind;
    std::vector<std::int16_t> samples;  // Write only
  };

  explicit SinkLog(bool gated) : unlimited_(!gated) {}

  void Allow(int writes);
  void OpenGate();

  // Waits (bounded) until the predicate over the events holds.
  bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));
  bool WaitForCount(Kind kind, std::size_t n);

  std::vector<Event> Events() const;
  std::size_t Count(Kind kind) const;

  // Called by the sink.
  void Record(Kind kind);
  void RecordWrite(const std::int16_t* samples, std::size_t frames, int channels);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  int permits_ = 0;
  bool unlimited_;
};

// A sink with no pacing that records into a log.
class RecordingSink : public AudioSink {
 public:
  explicit RecordingSink(std::shared_ptr<SinkLog> log) : log_(std::move(log)) {}
  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override { log_->Record(SinkLog::Kind::Drop); }
  void Drain() override { log_->Record(SinkLog::Kind::Drain); }
  void Close() override { log_->Record(SinkLog::Kind::Close); }

 private:
  std::shared_ptr<SinkLog> log_;
  int channels_ = 2;
};

inline AudioSinkFactory RecordingSinks(std::shared_ptr<SinkLog> log) {
  return [log] { return std::make_unique<RecordingSink>(log); };
}

// Frequencies of the Write events, in order.
std::vector<int> WriteTones(const std::vector<SinkLog::Event>& events);
// Frames written per tone, in order of first appearance: {{300, 44100}, ...}.
std::vector<std::pair<int, std::size_t>> FramesPerTone(const std::vector<SinkLog::Event>& events);

}  // namespace cdtest
