#include "platform/cdplayer/CdPlayer.h"
#include "src/seams/Diagnostic.h"

#include <cdio/cdio.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

CdPlayer::CdPlayer(AudioSinkFactory sinks, std::optional<std::string> path)
    : sinks_(std::move(sinks)), source_(CdSource::Resolve(path)) {
  if (source_.IsDrive()) {
    trayJobs_.push_back(TrayJob::Load);  // a drive may take seconds to read its disc
  } else if (std::shared_ptr<CdDisc> disc = CdDisc::Load(source_, &noDiscWhy_)) {
    InstallDisc(std::move(disc));
  }
  worker_ = std::thread(&CdPlayer::Run, this);
}

CdPlayer::~CdPlayer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void CdPlayer::Play() {
  ExplainMissingDisc();
  std::lock_guard lock(mutex_);
  if (!disc_ || playing_ || !disc_->Tracks()[index_].audio) return;
  playing_ = true;
  Changed();
}

void CdPlayer::Stop() {
  ExplainMissingDisc();
  std::lock_guard lock(mutex_);
  if (!playing_) return;
  playing_ = false;
  Changed();
}

void CdPlayer::NextTrack() {
  ExplainMissingDisc();
  std::lock_guard lock(mutex_);
  if (!disc_) return;
  const int next = disc_->FirstAudioFrom(index_ + 1);
  if (next < 0) return;
  MoveTo(next);
  Changed();
}

void CdPlayer::PreviousTrack() {
  ExplainMissingDisc();
  std::lock_guard lock(mutex_);
  if (!disc_) return;
  const int previous = disc_->LastAudioBefore(index_);
  if (previous < 0) return;
  MoveTo(previous);
  Changed();
}

QString CdPlayer::CurrentTrack() const {
  std::lock_guard lock(mutex_);
  if (disc_) return QString::number(disc_->Tracks()[index_].number);
  if (source_.kind == CdSource::Kind::None) return QStringLiteral("(No CD Drive)");
  return trayOpen_ ? QStringLiteral("(Tray Open)") : QStringLiteral("(No Disc)");
}

void CdPlayer::ExplainMissingDisc() const {
  std::string why;
  {
    std::lock_guard lock(mutex_);
    if (disc_) return;
    if (source_.kind == CdSource::Kind::None && source_.path.empty()) {
      why = "CD: no drive found; name a drive or a disc image with --cd";
    } else if (trayOpen_) {
      why = "CD " + source_.path + ": the tray is open; .cdclose closes it";
    } else if (!trayJobs_.empty()) {
      why = "CD " + source_.path + ": still reading the disc";
    } else {
      why = "CD " + source_.path + ": " + noDiscWhy_ + "; no disc";
    }
  }
  Diagnose(why);  // outside the lock: it may reach the chat client
}

bool CdPlayer::IsPlaying() const {
  std::lock_guard lock(mutex_);
  return playing_;
}

void CdPlayer::OpenTray() {
  std::lock_guard lock(mutex_);
  playing_ = false;
  disc_.reset();
  index_ = -1;
  trayOpen_ = source_.kind != CdSource::Kind::None;
  if (source_.IsDrive()) trayJobs_.push_back(TrayJob::Eject);
  Changed();
}

void CdPlayer::CloseTray() {
  if (source_.IsDrive()) {
    std::lock_guard lock(mutex_);
    if (disc_) return;
    trayOpen_ = false;
    trayJobs_.push_back(TrayJob::CloseAndLoad);
    Changed();
    return;
  }
  if (!source_.IsImage()) return;
  {
    std::lock_guard lock(mutex_);
    if (disc_) return;  // the tray is already closed
  }
  std::string why;
  std::shared_ptr<CdDisc> disc = CdDisc::Load(source_, &why);  // an image loads in milliseconds
  std::lock_guard lock(mutex_);
  trayOpen_ = false;
  if (!disc) noDiscWhy_ = why;
  if (disc && !disc_) InstallDisc(std::move(disc));
  Changed();
}

void CdPlayer::InstallDisc(std::shared_ptr<CdDisc> disc) {
  disc_ = std::move(disc);
  const int first = disc_->FirstAudioFrom(0);
  MoveTo(first >= 0 ? first : 0);
  playing_ = false;
}

void CdPlayer::MoveTo(int index) {
  index_ = index;
  position_ = disc_->Tracks()[index].first;
}

void CdPlayer::Changed() {
  ++generation_;
  wake_.notify_all();
}

void CdPlayer::RunTrayJob(TrayJob job, std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  std::shared_ptr<CdDisc> loaded;
  std::string why;
  const char* device = source_.path.c_str();
  switch (job) {
    case TrayJob::Eject:
      // Our own handle is closed by now: the drive refuses to eject while
      // another open handle holds it.
      if (cdio_eject_media_drive(device) != DRIVER_OP_SUCCESS) {
        Diagnose("CD " + source_.path + ": the tray does not open");
      }
      break;
    case TrayJob::CloseAndLoad: {
      driver_id_t driver = DRIVER_DEVICE;
      cdio_close_tray(device, &driver);  // drives that cannot close it just re-read
      loaded = CdDisc::Load(source_, &why);
      break;
    }
    case TrayJob::Load:
      loaded = CdDisc::Load(source_, &why);
      break;
  }
  lock.lock();
  // A tray command given meanwhile wins over this result.
  if (!loaded && job != TrayJob::Eject) noDiscWhy_ = why;
  if (loaded && trayJobs_.empty() && !disc_) {
    InstallDisc(std::move(loaded));
    ++generation_;
  }
}

// The worker's sound output.
struct CdPlayer::Output {
  // Drains or cuts what the sink holds and closes it.
  void Finish(bool drain) {
    if (!open) return;
    open = false;
    try {
      if (drain) {
        sink->Drain();
      } else {
        sink->Drop();
      }
      sink->Close();
    } catch (const std::exception& e) {
      Diagnose(std::string("CD sound output: ") + e.what());
    }
  }

  std::unique_ptr<AudioSink> sink;
  bool open = false;
  std::uint64_t heardGeneration = 0;  // generation of what the sink holds
  int tappedTrack = 0;                // the track the tap last heard of; 0 after a stop
  std::vector<std::int16_t> buffer =
      std::vector<std::int16_t>(kSectorsPerWrite * CdDisc::kFramesPerSector * CdDisc::kChannels);
};

void CdPlayer::Run() {
  Output output;
  std::unique_lock lock(mutex_);
  while (TakeCommands(output, lock)) PlayChunk(output, lock);
  lock.unlock();
  output.Finish(false);
}

bool CdPlayer::TakeCommands(Output& output, std::unique_lock<std::mutex>& lock) {
  for (;;) {
    if (output.open && !(playing_ && disc_)) {
      // Nothing to play any more: cut what the sink still holds and let it go.
      lock.unlock();
      output.Finish(false);
      lock.lock();
      continue;
    }
    wake_.wait(lock, [&] { return quit_ || !trayJobs_.empty() || (playing_ && disc_); });
    if (quit_) return false;
    if (!trayJobs_.empty()) {
      const TrayJob job = trayJobs_.front();
      trayJobs_.pop_front();
      RunTrayJob(job, lock);
      continue;
    }

    if (position_ < disc_->Tracks()[index_].end) return true;
    const int next = disc_->FirstAudioFrom(index_ + 1);
    if (next >= 0) {
      MoveTo(next);  // straight on, nothing to cut
      continue;
    }
    // After the last track the disc stops and is ready to play from the start.
    playing_ = false;
    MoveTo(disc_->FirstAudioFrom(0));
    ++generation_;
    lock.unlock();
    output.Finish(true);
    lock.lock();
  }
}

void CdPlayer::PlayChunk(Output& output, std::unique_lock<std::mutex>& lock) {
  const CdTrack track = disc_->Tracks()[index_];
  const std::uint64_t generation = generation_;
  std::shared_ptr<CdDisc> disc = disc_;
  const lsn_t position = position_;
  const auto count = static_cast<std::size_t>(
      std::min<lsn_t>(static_cast<lsn_t>(kSectorsPerWrite), track.end - position));
  lock.unlock();

  bool ok = true;
  try {
    if (SoundTap* tap = tap_.load()) {
      if (!output.open || track.number != output.tappedTrack) tap->Title("Track " + std::to_string(track.number));
      output.tappedTrack = track.number;
    }
    if (!output.sink && sinks_) output.sink = sinks_();
    if (!output.sink) throw std::runtime_error("no sound output");
    if (!output.open) {
      output.sink->Open(CdDisc::kRate, CdDisc::kChannels);
      output.open = true;
    } else if (generation != output.heardGeneration) {
      output.sink->Drop();  // the track changed: cut what is left of the old one
    }
    output.heardGeneration = generation;
    if (!disc->ReadAudio(position, count, output.buffer.data())) {
      throw std::runtime_error("cannot read sector " + std::to_string(position));
    }
    if (SoundTap* tap = tap_.load())
      tap->Sound(output.buffer.data(), count * CdDisc::kFramesPerSector, CdDisc::kRate, CdDisc::kChannels, {});
    output.sink->Write(output.buffer.data(), count * CdDisc::kFramesPerSector);
  } catch (const std::exception& e) {
    Diagnose("CD " + source_.path + ": " + e.what() + "; stopped");
    ok = false;
  }
  disc.reset();  // the tray may be waiting for the last handle to close

  lock.lock();
  if (generation != generation_) return;  // moved or stopped meanwhile: that write was stale
  if (ok) {
    position_ = position + static_cast<lsn_t>(count);
  } else {
    playing_ = false;
    ++generation_;
  }
}
