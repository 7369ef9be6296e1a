#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioSink.h"

// What the sinks of a recording factory were given: every sample that would
// have been played, in order, with no real-time pacing, and every call on
// them. Sinks write from their workers' threads while a test reads from its
// own; every member is safe to call from any thread.
//
// Two brakes let a test decide how far playback gets:
//  - a hold stops the writer at an exact frame: once the recording reaches
//    it, Write records up to it and blocks until the hold moves or goes;
//  - a gate lets one Write through per permit (a recording made gated waits
//    for Allow, or for OpenGate).
// Release both before destroying a control whose worker may be blocked.
class AudioRecording {
 public:
  static constexpr std::size_t kNoHold = std::numeric_limits<std::size_t>::max();

  enum class Kind { Open, Write, Drop, Drain, Close };
  struct Event {
    Kind kind;
    std::vector<std::int16_t> samples;  // Write only
  };

  explicit AudioRecording(bool gated = false) : gateOpen_(!gated) {}

  // Frames recorded so far (a frame is one sample per channel).
  std::size_t Frames() const;
  // A copy of all recorded samples, interleaved.
  std::vector<std::int16_t> Samples() const;
  // Format given to the last Open; 0 before any Open.
  long Rate() const;
  int Channels() const;
  // How often the sinks were opened, dropped and drained.
  int Opens() const { return static_cast<int>(Count(Kind::Open)); }
  int Drops() const { return static_cast<int>(Count(Kind::Drop)); }
  int Drains() const { return static_cast<int>(Count(Kind::Drain)); }

  // Every call, in order, with the samples of each Write.
  std::vector<Event> Events() const;
  std::size_t Count(Kind kind) const;

  // Waits until at least that many frames are recorded; false on timeout.
  bool WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const;
  // Waits until no Write has arrived for the quiet period; false on timeout.
  bool WaitForQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout) const;
  // Waits until at least n calls of the kind have arrived; false on timeout.
  bool WaitForCount(Kind kind, std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

  // Writers block once Frames() reaches this count.
  void HoldAt(std::size_t frames);
  void Release() { HoldAt(kNoHold); }
  // Lets that many more Writes through a gated recording; OpenGate lets all.
  void Allow(int writes);
  void OpenGate();

  // Forgets the samples (the format and the calls stay).
  void Clear();

  // Used by RecordingSink.
  void RecordOpen(long rate, int channels);
  void Record(const std::int16_t* samples, std::size_t frames);
  void RecordCall(Kind kind);

 private:
  using Clock = std::chrono::steady_clock;
  struct Logged {
    Kind kind;
    std::size_t firstSample = 0;  // Write only: its samples in samples_
    std::size_t sampleCount = 0;
  };

  std::size_t CountLocked(Kind kind) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::int16_t> samples_;
  std::vector<Logged> calls_;
  std::size_t frames_ = 0;
  std::size_t cleared_ = 0;  // samples forgotten by Clear
  long rate_ = 0;
  int channels_ = 0;
  std::size_t hold_ = kNoHold;
  bool gateOpen_;
  int permits_ = 0;
  Clock::time_point lastWrite_ = Clock::now();
};

// A sink that records into an AudioRecording.
class RecordingSink : public AudioSink {
 public:
  explicit RecordingSink(std::shared_ptr<AudioRecording> recording) : recording_(std::move(recording)) {}

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override { recording_->RecordCall(AudioRecording::Kind::Drop); }
  void Drain() override { recording_->RecordCall(AudioRecording::Kind::Drain); }
  void Close() override { recording_->RecordCall(AudioRecording::Kind::Close); }

 private:
  std::shared_ptr<AudioRecording> recording_;
};

// Every sink it makes records into the same recording.
AudioSinkFactory MakeRecordingSinkFactory(std::shared_ptr<AudioRecording> recording);
