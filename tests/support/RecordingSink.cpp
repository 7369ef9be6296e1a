#include "tests/support/RecordingSink.h"

#include <algorithm>
#include <stdexcept>

std::size_t AudioRecording::Frames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

std::vector<std::int16_t> AudioRecording::Samples() const {
  std::lock_guard lock(mutex_);
  return samples_;
}

long AudioRecording::Rate() const {
  std::lock_guard lock(mutex_);
  return rate_;
}

int AudioRecording::Channels() const {
  std::lock_guard lock(mutex_);
  return channels_;
}

std::vector<AudioRecording::Event> AudioRecording::Events() const {
  std::lock_guard lock(mutex_);
  std::vector<Event> events;
  events.reserve(calls_.size());
  for (const Logged& call : calls_) {
    Event event{call.kind, {}};
    // Samples forgotten by Clear are not given back.
    if (call.kind == Kind::Write && call.firstSample >= cleared_) {
      const auto first = samples_.begin() + static_cast<long>(call.firstSample - cleared_);
      event.samples.assign(first, first + static_cast<long>(call.sampleCount));
    }
    events.push_back(std::move(event));
  }
  return events;
}

std::size_t AudioRecording::CountLocked(Kind kind) const {
  return static_cast<std::size_t>(
      std::count_if(calls_.begin(), calls_.end(), [kind](const Logged& call) { return call.kind == kind; }));
}

std::size_t AudioRecording::Count(Kind kind) const {
  std::lock_guard lock(mutex_);
  return CountLocked(kind);
}

bool AudioRecording::WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return frames_ >= frames; });
}

bool AudioRecording::WaitForQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  std::unique_lock lock(mutex_);
  while (true) {
    const auto quietUntil = lastWrite_ + quiet;
    const auto now = Clock::now();
    if (now >= quietUntil) return true;
    if (now >= deadline) return false;
    changed_.wait_until(lock, std::min(quietUntil, deadline));
  }
}

bool AudioRecording::WaitForCount(Kind kind, std::size_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return CountLocked(kind) >= n; });
}

void AudioRecording::HoldAt(std::size_t frames) {
  {
    std::lock_guard lock(mutex_);
    hold_ = frames;
  }
  changed_.notify_all();
}

void AudioRecording::Allow(int writes) {
  {
    std::lock_guard lock(mutex_);
    permits_ += writes;
  }
  changed_.notify_all();
}

void AudioRecording::OpenGate() {
  {
    std::lock_guard lock(mutex_);
    gateOpen_ = true;
  }
  changed_.notify_all();
}

void AudioRecording::Clear() {
  std::lock_guard lock(mutex_);
  cleared_ += samples_.size();
  samples_.clear();
  frames_ = 0;
}

void AudioRecording::RecordOpen(long rate, int channels) {
  {
    std::lock_guard lock(mutex_);
    rate_ = rate;
    channels_ = channels;
    calls_.push_back({Kind::Open});
  }
  changed_.notify_all();
}

void AudioRecording::Record(const std::int16_t* samples, std::size_t frames) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return gateOpen_ || permits_ > 0; });
  if (!gateOpen_) --permits_;
  const auto channels = static_cast<std::size_t>(std::max(channels_, 1));
  calls_.push_back({Kind::Write, cleared_ + samples_.size(), 0});
  const std::size_t call = calls_.size() - 1;
  while (frames > 0) {
    changed_.wait(lock, [&] { return frames_ < hold_; });
    const std::size_t part = std::min(frames, hold_ - frames_);
    samples_.insert(samples_.end(), samples, samples + part * channels);
    calls_[call].sampleCount += part * channels;
    frames_ += part;
    samples += part * channels;
    frames -= part;
    lastWrite_ = Clock::now();
    changed_.notify_all();
  }
  lastWrite_ = Clock::now();
  changed_.notify_all();
}

void AudioRecording::RecordCall(Kind kind) {
  {
    std::lock_guard lock(mutex_);
    calls_.push_back({kind});
  }
  changed_.notify_all();
}

void RecordingSink::Open(long rate, int channels) {
  if (rate <= 0 || channels <= 0) throw std::runtime_error("recording sink: bad format");
  recording_->RecordOpen(rate, channels);
}

void RecordingSink::Write(const std::int16_t* samples, std::size_t frames) { recording_->Record(samples, frames); }

AudioSinkFactory MakeRecordingSinkFactory(std::shared_ptr<AudioRecording> recording) {
  return [recording]() -> std::unique_ptr<AudioSink> { return std::make_unique<RecordingSink>(recording); };
}
