#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/audio/AudioSink.h"
#include "platform/audio/SoundTap.h"
#include "platform/cdplayer/CdDisc.h"
#include "platform/cdplayer/CdSource.h"
#include "src/seams/CdPlayerControl.h"

// The CD player control on libcdio: a real drive or a disc image (CUE/BIN,
// cdrdao TOC, Nero). Audio sectors are read digitally on a worker thread of
// the control and played through a sink made by the factory.
//
// The roles only change the state under a lock and wake the worker; none of
// them waits for the sink or the drive. A real drive's tray and disc loading
// run on the worker too; an image is loaded at once.
//
// Data tracks are skipped. A disc without audio tracks still counts as a disc:
// current track gives its first track, and play makes no sound.
class CdPlayer : public CdPlayerControl {
 public:
  // How many sectors the worker reads and writes at a time (about 53 ms):
  // a stop or a track change is heard within that.
  static constexpr std::size_t kSectorsPerWrite = 4;

  // `path` names a drive or an image; without it the first drive libcdio
  // finds is used, and with none the player is a drive with no disc.
  explicit CdPlayer(AudioSinkFactory sinks, std::optional<std::string> path = std::nullopt);
  ~CdPlayer() override;
  CdPlayer(const CdPlayer&) = delete;
  CdPlayer& operator=(const CdPlayer&) = delete;

  void Play() override;
  void Stop() override;
  void NextTrack() override;
  void PreviousTrack() override;
  QString CurrentTrack() const override;
  void CloseTray() override;
  void OpenTray() override;

  // Whether the disc is playing (as commanded; the worker follows).
  bool IsPlaying() const;
  // Also hands what plays to the tap (the stream), from the worker, with
  // "Track N" as the title whenever a track starts to be heard; null for
  // none. The tap must outlive the player.
  void SetTap(SoundTap* tap) { tap_ = tap; }

 private:
  enum class TrayJob { Load, Eject, CloseAndLoad };

  struct Output;

  // The worker: takes the calls and tray jobs that came in, then plays a
  // chunk, until the player goes. The lock is held except around device work.
  void Run();
  // Waits until there is a chunk to play; false when the player goes.
  bool TakeCommands(Output& output, std::unique_lock<std::mutex>& lock);
  void PlayChunk(Output& output, std::unique_lock<std::mutex>& lock);
  void RunTrayJob(TrayJob job, std::unique_lock<std::mutex>& lock);
  // Tells the owner why there is no disc to work on, when there is none.
  void ExplainMissingDisc() const;
  void InstallDisc(std::shared_ptr<CdDisc> disc);  // mutex_ held
  void MoveTo(int index);                           // mutex_ held
  void Changed();                                   // mutex_ held

  const AudioSinkFactory sinks_;
  const CdSource source_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<CdDisc> disc_;  // null: no disc (or tray open)
  int index_ = -1;                // index of the current track in disc_->Tracks()
  lsn_t position_ = 0;            // next sector of the current track to play
  bool playing_ = false;
  std::uint64_t generation_ = 0;  // bumped whenever what should be heard changes
  std::deque<TrayJob> trayJobs_;  // real drive only
  bool trayOpen_ = false;         // opened by OpenTray, until CloseTray
  std::string noDiscWhy_;         // why the last load found no disc
  std::atomic<SoundTap*> tap_{nullptr};
  bool quit_ = false;

  std::thread worker_;  // last member: starts after everything above exists
};
