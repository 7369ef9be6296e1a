#include "platform/mediaplayer/Mp3Player.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "platform/mediaplayer/Mp3Decoder.h"
#include "platform/mediaplayer/SampleGain.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"

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
  std::unique_ptr<Mp3Decoder> decoder;
  try {
    decoder = Mp3Decoder::Open(QFile::encodeName(path).toStdString(), replayGain_);
  } catch (const ControlError&) {
    // Nothing stays open that a later Play could resume.
    Close();
    throw;
  }
  const double duration = static_cast<double>(decoder->LengthFrames()) / static_cast<double>(decoder->Rate());
  rate_ = decoder->Rate();
  fileName_ = path;
  {
    std::lock_guard lock(mutex_);
    duration_ = duration;
    incoming_ = std::move(decoder);
    ++opened_;
    seekTo_.reset();
    positionFrames_ = 0;
    SetState(kPlaying);
  }
  wake_.notify_all();
  emit fileOpened(path, duration);
}

void Mp3Player::Close() {
  rate_ = 0;
  fileName_.clear();
  {
    std::lock_guard lock(mutex_);
    duration_ = 0.0;
    incoming_.reset();
    seekTo_.reset();
    positionFrames_ = 0;
    SetState(kClosed);
  }
  wake_.notify_all();
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
  std::int32_t held = 1;
  {
    std::lock_guard lock(mutex_);
    playCount_ = count < 0 ? 1 : count;
    held = playCount_;
  }
  emit playCountChanged(held);
}

void Mp3Player::SetEndOfStreamHandler(EndOfStreamHandler handler) { endOfStream_ = std::move(handler); }

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
  emit volumeChanged(volume_);
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
    const auto frame =
        static_cast<std::int64_t>(std::clamp(seconds, 0.0, duration_.load()) * static_cast<double>(rate_));
    seekTo_ = frame;
    positionFrames_ = frame;
  }
  wake_.notify_all();
  emit seeked(Position());
}

QString Mp3Player::FileName() const { return fileName_; }

void Mp3Player::SetState(int state) {
  if (state_ == state) return;
  state_ = state;
  Report([this, state] { emit playStateChanged(state); });
}

void Mp3Player::Report(std::function<void()> report) {
  bool first = false;
  {
    std::lock_guard lock(reportsMutex_);
    first = reports_.empty();
    reports_.push_back(std::move(report));
  }
  // One delivery is on its way for as long as reports_ holds something.
  if (first) QMetaObject::invokeMethod(this, "DeliverReports", Qt::QueuedConnection);
}

void Mp3Player::DeliverReports() {
  std::vector<std::function<void()>> due;
  {
    std::lock_guard lock(reportsMutex_);
    due.swap(reports_);
  }
  for (const std::function<void()>& report : due) report();
}

// What the worker alone touches while it plays.
struct Mp3Player::Playback {
  std::unique_ptr<AudioSink> sink;
  std::unique_ptr<Mp3Decoder> decoder;
  std::vector<std::int16_t> buffer;
  long sinkRate = 0;
  int sinkChannels = 0;
  bool sinkHasSound = false;  // written since the last drop
  std::int32_t passes = 0;    // finished passes over the current file
  std::int64_t framesThisPass = 0;
  std::int32_t playCount = 1;
  std::uint64_t file = 0;  // which OpenFile the decoder came from
  double appliedGain = 0.0;
  bool play = false;  // the file plays; otherwise only its length is counted

  void DropSound() {
    if (sink && sinkHasSound) sink->Drop();
    sinkHasSound = false;
  }
};

void Mp3Player::Run() {
  Playback playback;
  playback.appliedGain = gain_;
  while (TakeCommands(playback)) {
    CountFrames(playback);
    if (playback.play && OpenSink(playback)) PlayChunk(playback);
  }
  if (playback.sink) {
    playback.DropSound();
    playback.sink->Close();
  }
}

bool Mp3Player::TakeCommands(Playback& playback) {
  while (true) {
    std::unique_ptr<Mp3Decoder> retired;  // closed once the lock is let go
    std::unique_lock lock(mutex_);
    const auto counting = [&] { return playback.decoder && !playback.decoder->LengthSettled(); };
    wake_.wait(lock, [&] {
      return quit_ || incoming_ || seekTo_ || (state_ == kPlaying && playback.decoder) ||
             (state_ == kClosed && playback.decoder) || (state_ != kPlaying && playback.sinkHasSound) ||
             counting();
    });
    if (quit_) return false;
    if (state_ == kClosed) retired = std::move(playback.decoder);
    if (incoming_) {
      retired = std::move(playback.decoder);
      playback.decoder = std::move(incoming_);
      playback.file = opened_;
      playback.decoder->KeepFrames(tap_.load() != nullptr);
      playback.passes = 0;
      playback.framesThisPass = 0;
      playback.appliedGain = muted_ ? 0.0 : gain_.load();
      playback.DropSound();
    }
    if (seekTo_ && playback.decoder) {
      playback.decoder->Seek(*seekTo_);
      positionFrames_ = playback.decoder->Tell();
      playback.DropSound();
    }
    seekTo_.reset();
    playback.play = state_ == kPlaying && playback.decoder;
    if (playback.play) {
      playback.playCount = playCount_;
      return true;
    }
    lock.unlock();
    retired.reset();
    playback.DropSound();
    if (counting()) return true;
  }
}

void Mp3Player::CountFrames(Playback& playback) {
  Mp3Decoder* decoder = playback.decoder.get();
  if (!decoder || decoder->LengthSettled()) return;
  decoder->CountFrames();
  if (!decoder->LengthSettled()) return;
  const double seconds = static_cast<double>(decoder->LengthFrames()) / static_cast<double>(decoder->Rate());
  std::lock_guard lock(mutex_);
  if (incoming_ || state_ == kClosed) return;  // no longer the open file
  duration_ = seconds;
  Report([this, seconds] { emit durationChanged(seconds); });
}

bool Mp3Player::OpenSink(Playback& playback) {
  try {
    if (!playback.sink) playback.sink = sinks_();
    const Mp3Decoder& decoder = *playback.decoder;
    if (decoder.Rate() != playback.sinkRate || decoder.Channels() != playback.sinkChannels) {
      playback.sink->Open(decoder.Rate(), decoder.Channels());
      playback.sinkRate = decoder.Rate();
      playback.sinkChannels = decoder.Channels();
    }
    return true;
  } catch (const std::exception& error) {
    Diagnose(std::string("sound output failed: ") + error.what());
    std::lock_guard lock(mutex_);
    if (!incoming_ && state_ == kPlaying) SetState(kStopped);
    return false;
  }
}

void Mp3Player::PlayChunk(Playback& playback) {
  Mp3Decoder& decoder = *playback.decoder;
  AudioSink& sink = *playback.sink;
  const std::size_t chunk = static_cast<std::size_t>(std::clamp(playback.sinkRate / 40, 256L, 4096L));
  playback.buffer.resize(chunk * static_cast<std::size_t>(playback.sinkChannels));
  const std::size_t frames = decoder.Read(playback.buffer.data(), chunk);
  if (frames > 0) {
    if (SoundTap* tap = tap_.load())
      tap->Sound(playback.buffer.data(), frames, playback.sinkRate, playback.sinkChannels, decoder.LastFrames());
    const double target = muted_ ? 0.0 : gain_.load();
    ApplyGain(playback.buffer.data(), frames, playback.sinkChannels, playback.appliedGain, target,
              static_cast<std::size_t>(playback.sinkRate / 100));
    playback.appliedGain = target;
    sink.Write(playback.buffer.data(), frames);
    playback.sinkHasSound = true;
    playback.framesThisPass += static_cast<std::int64_t>(frames);
    positionFrames_ = decoder.Tell();
    return;
  }

  // The end of one pass. Repeat straight on, so the join has no gap; a pass
  // that gave nothing (a file cut short under us) ends playback instead.
  ++playback.passes;
  const bool again =
      playback.framesThisPass > 0 && (playback.playCount == 0 || playback.passes < playback.playCount);
  playback.framesThisPass = 0;
  if (again && decoder.Seek(0)) return;

  sink.Drain();
  playback.sinkHasSound = false;
  std::lock_guard lock(mutex_);
  playback.passes = 0;
  if (incoming_) return;  // a new file takes over
  // Back to the start, so a later play begins the file again; a pause or
  // stop that came in meanwhile stays.
  decoder.Seek(0);
  positionFrames_ = 0;
  if (state_ != kPlaying) return;
  SetState(kStopped);
  // Raised only if, by the time it reaches the user-interface thread, the
  // file is still the open one and nothing has started it again.
  Report([this, file = playback.file] {
    bool ended = false;
    {
      std::lock_guard lock(mutex_);
      ended = file == opened_ && state_ == kStopped;
    }
    if (ended && endOfStream_) endOfStream_();
  });
}
