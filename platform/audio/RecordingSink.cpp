#include "platform/audio/RecordingSink.h"

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

int AudioRecording::Opens() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

int AudioRecording::Drops() const {
  std::lock_guard lock(mutex_);
  return drops_;
}

int AudioRecording::Drains() const {
  std::lock_guard lock(mutex_);
  return drains_;
}

bool AudioRecording::WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return frames_ >= frames; });
}

bool AudioRecording::WaitForQuiet(std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds timeout) const {
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

void AudioRecording::HoldAt(std::size_t frames) {
  {
    std::lock_guard lock(mutex_);
    hold_ = frames;
  }
  changed_.notify_all();
}

void AudioRecording::Clear() {
  std::lock_guard lock(mutex_);
  samples_.clear();
  frames_ = 0;
}

void AudioRecording::RecordOpen(long rate, int channels) {
  std::lock_guard lock(mutex_);
  rate_ = rate;
  channels_ = channels;
  ++opens_;
}

void AudioRecording::Record(const std::int16_t* samples, std::size_t frames) {
  std::unique_lock lock(mutex_);
  const auto channels = static_cast<std::size_t>(std::max(channels_, 1));
  while (frames > 0) {
    changed_.wait(lock, [&] { return frames_ < hold_; });
    const std::size_t part = std::min(frames, hold_ - frames_);
    samples_.insert(samples_.end(), samples, samples + part * channels);
    frames_ += part;
    samples += part * channels;
    frames -= part;
    lastWrite_ = Clock::now();
    changed_.notify_all();
  }
  lastWrite_ = Clock::now();
}

void AudioRecording::RecordDrop() {
  std::lock_guard lock(mutex_);
  ++drops_;
}

void AudioRecording::RecordDrain() {
  std::lock_guard lock(mutex_);
  ++drains_;
}

RecordingSink::RecordingSink(std::shared_ptr<AudioRecording> recording)
    : recording_(std::move(recording)) {}

void RecordingSink::Open(long rate, int channels) {
  if (rate <= 0 || channels <= 0) throw std::runtime_error("recording sink: bad format");
  recording_->RecordOpen(rate, channels);
}

void RecordingSink::Write(const std::int16_t* samples, std::size_t frames) {
  recording_->Record(samples, frames);
}

void RecordingSink::Drop() { recording_->RecordDrop(); }

void RecordingSink::Drain() { recording_->RecordDrain(); }

void RecordingSink::Close() {}

AudioSinkFactory MakeRecordingSinkFactory(std::shared_ptr<AudioRecording> recording) {
  return [recording]() -> std::unique_ptr<AudioSink> {
    return std::make_unique<RecordingSink>(recording);
  };
}
