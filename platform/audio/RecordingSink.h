#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioSink.h"

// What the sinks of a recording factory were given: every sample that would
// have been played, in order, with no real-time pacing. Sinks write from their
// worker threads while a test reads from its own; every member is safe to call
// from any thread.
//
// A hold lets a test stop the writer at an exact frame: once the recording
// reaches the hold, Write records up to it and blocks until the hold is moved
// or released. Release the hold before destroying a control whose worker may
// be blocked in it.
class AudioRecording {
 public:
  static constexpr std::size_t kNoHold = std::numeric_limits<std::size_t>::max();

  // Frames recorded so far (a frame is one sample per channel).
  std::size_t Frames() const;
  // A copy of all recorded samples, interleaved.
  std::vector<std::int16_t> Samples() const;
  // Format given to the last Open; 0 before any Open.
  long Rate() const;
  int Channels() const;
  // How often the sinks were opened, dropped and drained.
  int Opens() const;
  int Drops() const;
  int Drains() const;

  // Waits until at least that many frames are recorded; false on timeout.
  bool WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const;
  // Waits until no Write has arrived for the quiet period; false on timeout.
  bool WaitForQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout) const;

  // Writers block once Frames() reaches this count.
  void HoldAt(std::size_t frames);
  void Release() { HoldAt(kNoHold); }

  // Forgets the samples (the format and counters stay).
  void Clear();

  // Used by RecordingSink.
  void RecordOpen(long rate, int channels);
  void Record(const std::int16_t* samples, std::size_t frames);
  void RecordDrop();
  void RecordDrain();

 private:
  using Clock = std::chrono::steady_clock;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::int16_t> samples_;
  std::size_t frames_ = 0;
  long rate_ = 0;
  int channels_ = 0;
  int opens_ = 0;
  int drops_ = 0;
  int drains_ = 0;
  std::size_t hold_ = kNoHold;
  Clock::time_point lastWrite_ = Clock::now();
};

// A sink that records into an AudioRecording.
class RecordingSink : public AudioSink {
 public:
  explicit RecordingSink(std::shared_ptr<AudioRecording> recording);

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override;
  void Drain() override;
  void Close() override;

 private:
  std::shared_ptr<AudioRecording> recording_;
};

// Every sink it makes records into the same recording.
AudioSinkFactory MakeRecordingSinkFactory(std::shared_ptr<AudioRecording> recording);
