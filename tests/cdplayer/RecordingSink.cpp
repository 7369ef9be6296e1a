#include "cdplayer/RecordingSink.h"

#include <stdexcept>

#include "cdplayer/ToneAnalysis.h"

namespace cdtest {

void SinkLog::Allow(int writes) {
  std::lock_guard lock(mutex_);
  permits_ += writes;
  changed_.notify_all();
}

void SinkLog::OpenGate() {
  std::lock_guard lock(mutex_);
  unlimited_ = true;
  changed_.notify_all();
}

bool SinkLog::WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                      std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return done(events_); });
}

bool SinkLog::WaitForCount(Kind kind, std::size_t n) {
  return WaitFor([&](const std::vector<Event>& events) {
    std::size_t seen = 0;
    for (const Event& e : events) seen += e.kind == kind;
    return seen >= n;
  });
}

std::vector<SinkLog::Event> SinkLog::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::size_t SinkLog::Count(Kind kind) const {
  std::lock_guard lock(mutex_);
  std::size_t n = 0;
  for (const Event& e : events_) n += e.kind == kind;
  return n;
}

void SinkLog::Record(Kind kind) {
  std::lock_guard lock(mutex_);
  events_.push_back({kind, {}});
  changed_.notify_all();
}

void SinkLog::RecordWrite(const std::int16_t* samples, std::size_t frames, int channels) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return unlimited_ || permits_ > 0; });
  if (!unlimited_) --permits_;
  events_.push_back({Kind::Write, std::vector<std::int16_t>(samples, samples + frames * channels)});
  changed_.notify_all();
}

void RecordingSink::Open(long rate, int channels) {
  if (rate != 44100 || channels != 2) throw std::runtime_error("unexpected CD format");
  channels_ = channels;
  log_->Record(SinkLog::Kind::Open);
}

void RecordingSink::Write(const std::int16_t* samples, std::size_t frames) {
  log_->RecordWrite(samples, frames, channels_);
}

std::vector<int> WriteTones(const std::vector<SinkLog::Event>& events) {
  std::vector<int> tones;
  for (const auto& e : events) {
    if (e.kind == SinkLog::Kind::Write) tones.push_back(ToneFrequency(e.samples));
  }
  return tones;
}

std::vector<std::pair<int, std::size_t>> FramesPerTone(const std::vector<SinkLog::Event>& events) {
  std::vector<std::pair<int, std::size_t>> runs;
  for (const auto& e : events) {
    if (e.kind != SinkLog::Kind::Write) continue;
    const int tone = ToneFrequency(e.samples);
    if (runs.empty() || runs.back().first != tone) runs.push_back({tone, 0});
    runs.back().second += e.samples.size() / 2;
  }
  return runs;
}

}  // namespace cdtest
