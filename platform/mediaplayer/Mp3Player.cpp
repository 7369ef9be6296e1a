#include "platform/mediaplayer/Mp3Player.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "platform/mediaplayer/Mp3Decoder.h"
#include "platform/mediaplayer/SampleGain.h"

namespace {
constexpr std::int32_t kMinVolume = -10000;
constexpr std::int32_t kMaxVolume = 0;
}  // namespace

Mp3Player::Mp3Player(AudioSinkFactory sinks, QObject* parent)
    : QObject(parent), sinks_(std::move(sinks)), gain_(GainForVolume(kDefaultVolume)) {
  worker_ = std::thread([this] { Run(); });
}

Mp3Player::~Mp3Player() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void Mp3Player::OpenFile(const QString& path) {
  // Throws ControlError and leaves the current file as it was.
  auto decoder = Mp3Decoder::Open(QFile::encodeName(path).toStdString());
  duration_ = static_cast<double>(decoder->LengthFrames()) / static_cast<double>(decoder->Rate());
  rate_ = decoder->Rate();
  fileName_ = path;
  {
    std::lock_guard lock(mutex_);
    incoming_ = std::move(decoder);
    seekTo_.reset();
    positionFrames_ = 0;
    SetState(kPlaying);
  }
  wake_.notify_all();
  emit fileOpened(path, duration_);
}

void Mp3Player::Play() {
  {
    std::lock_guard lock(mutex_);
    if (state_ == kClosed) return;
    SetState(kPlaying);
  }
  wake_.notify_all();
}

void Mp3Player::Pause() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != kPlaying) return;
    SetState(kPaused);
  }
  wake_.notify_all();
}

void Mp3Player::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != kPlaying && state_ != kPaused) return;
    SetState(kStopped);
  }
  wake_.notify_all();
}

int Mp3Player::PlayState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void Mp3Player::SetPlayCount(std::int32_t count) {
  std::lock_guard lock(mutex_);
  playCount_ = count < 0 ? 1 : count;
}

std::int32_t Mp3Player::PlayCount() const {
  std::lock_guard lock(mutex_);
  return playCount_;
}

void Mp3Player::SetMute(bool mute) {
  if (muted_.exchange(mute) != mute) emit muteChanged(mute);
}

bool Mp3Player::Muted() const { return muted_; }

void Mp3Player::SetVolume(std::int32_t volume) {
  volume_ = std::clamp(volume, kMinVolume, kMaxVolume);
  gain_ = GainForVolume(volume_);
}

std::int32_t Mp3Player::Volume() const { return volume_; }

double Mp3Player::Duration() const { return duration_; }

double Mp3Player::Position() const {
  if (rate_ <= 0) return 0.0;
  return static_cast<double>(positionFrames_.load()) / static_cast<double>(rate_);
}

void Mp3Player::Seek(double seconds) {
  {
    std::lock_guard lock(mutex_);
    if (state_ == kClosed || rate_ <= 0) return;
    const auto frame = static_cast<std::int64_t>(std::clamp(seconds, 0.0, duration_) * static_cast<double>(rate_));
    seekTo_ = frame;
    positionFrames_ = frame;
  }
  wake_.notify_all();
}

QString Mp3Player::FileName() const { return fileName_; }

void Mp3Player::SetState(int state) {
  if (state_ == state) return;
  state_ = state;
  // Queued even from the user-interface thread, so a slot never runs inside
  // one of the calls above; each change is reported with its own state, in
  // order. A report still queued when the player goes is dropped.
  QMetaObject::invokeMethod(this, [this, state] { emit playStateChanged(state); }, Qt::QueuedConnection);
}

void Mp3Player::Run() {
  std::unique_ptr<AudioSink> sink;
  std::unique_ptr<Mp3Decoder> decoder;
  std::vector<std::int16_t> buffer;
  long sinkRate = 0;
  int sinkChannels = 0;
  bool sinkHasSound = false;  // written since the last drop
  std::int32_t passes = 0;    // finished passes over the current file
  std::int64_t framesThisPass = 0;
  double appliedGain = gain_;

  auto dropSound = [&] {
    if (sink && sinkHasSound) sink->Drop();
    sinkHasSound = false;
  };

  while (true) {
    std::unique_ptr<Mp3Decoder> retired;
    std::int32_t playCount = 1;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] {
        return quit_ || incoming_ || seekTo_ || (state_ == kPlaying && decoder) ||
               (state_ != kPlaying && sinkHasSound);
      });
      if (quit_) break;
      if (incoming_) {
        retired = std::move(decoder);
        decoder = std::move(incoming_);
        passes = 0;
        framesThisPass = 0;
        appliedGain = muted_ ? 0.0 : gain_.load();
        if (sinkHasSound) sink->Drop();
        sinkHasSound = false;
      }
      if (seekTo_ && decoder) {
        decoder->Seek(*seekTo_);
        positionFrames_ = decoder->Tell();
        if (sinkHasSound) sink->Drop();
        sinkHasSound = false;
      }
      seekTo_.reset();
      if (state_ != kPlaying || !decoder) {
        lock.unlock();
        retired.reset();
        dropSound();
        continue;
      }
      playCount = playCount_;
    }
    retired.reset();

    try {
      if (!sink) sink = sinks_();
      if (decoder->Rate() != sinkRate || decoder->Channels() != sinkChannels) {
        sink->Open(decoder->Rate(), decoder->Channels());
        sinkRate = decoder->Rate();
        sinkChannels = decoder->Channels();
      }
    } catch (const std::exception& error) {
      std::fprintf(stderr, "morva: sound output failed: %s\n", error.what());
      std::lock_guard lock(mutex_);
      if (!incoming_ && state_ == kPlaying) SetState(kStopped);
      continue;
    }

    const std::size_t chunk = static_cast<std::size_t>(std::clamp(sinkRate / 40, 256L, 4096L));
    buffer.resize(chunk * static_cast<std::size_t>(sinkChannels));
    const std::size_t frames = decoder->Read(buffer.data(), chunk);
    if (frames > 0) {
      const double target = muted_ ? 0.0 : gain_.load();
      ApplyGain(buffer.data(), frames, sinkChannels, appliedGain, target,
                static_cast<std::size_t>(sinkRate / 100));
      appliedGain = target;
      sink->Write(buffer.data(), frames);
      sinkHasSound = true;
      framesThisPass += static_cast<std::int64_t>(frames);
      positionFrames_ = decoder->Tell();
      continue;
    }

    // The end of one pass. Repeat straight on, so the join has no gap; a pass
    // that gave nothing (a file cut short under us) ends playback instead.
    ++passes;
    const bool again = framesThisPass > 0 && (playCount == 0 || passes < playCount);
    framesThisPass = 0;
    if (again && decoder->Seek(0)) continue;

    sink->Drain();
    sinkHasSound = false;
    std::lock_guard lock(mutex_);
    passes = 0;
    if (incoming_) continue;  // a new file takes over
    // Back to the start, so a later play begins the file again; a pause or
    // stop that came in meanwhile stays.
    decoder->Seek(0);
    positionFrames_ = 0;
    if (state_ == kPlaying) SetState(kStopped);
  }
  if (sink) {
    if (sinkHasSound) sink->Drop();
    sink->Close();
  }
}
