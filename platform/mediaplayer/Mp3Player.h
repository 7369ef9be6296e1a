#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/audio/AudioSink.h"
#include "platform/audio/SoundTap.h"
#include "src/seams/MediaPlayerControl.h"

class Mp3Decoder;

// The media player control: plays MP3 files with libmpg123 into a sink from
// the factory. Decoding and output run on a worker thread that the player
// owns; every public member is called from the thread that made the player
// (the user-interface thread) and returns without waiting for the worker,
// except OpenFile, which opens the file itself. An OpenFile that fails closes
// the player: nothing is left open that Play could resume.
//
// The length of a file whose Info header the file's size bears out is exact
// at the open. Any other length starts as an estimate from the file's size and
// bit rate; the worker counts the file's frames between chunks (also while
// nothing plays) and then makes Duration() exact and reports durationChanged.
//
// The play state is changed at once by the calls; the worker changes it only
// when the file ends (to stopped, position back at the start). Every change
// is also reported through playStateChanged on the player's thread.
class Mp3Player : public QObject, public MediaPlayerControl {
  Q_OBJECT

 public:
  // The volume a new player starts at, in hundredths of a decibel.
  static constexpr std::int32_t kDefaultVolume = -600;

  explicit Mp3Player(AudioSinkFactory sinks, QObject* parent = nullptr);
  ~Mp3Player() override;

  // MediaPlayerControl
  void OpenFile(const QString& path) override;
  void Play() override;
  void Pause() override;
  void Stop() override;
  int PlayState() const override;
  void SetPlayCount(std::int32_t count) override;
  void SetMute(bool mute) override;
  void SetVolume(std::int32_t volume) override;
  double Duration() const override;
  void SetEndOfStreamHandler(EndOfStreamHandler handler) override;

  // For the panel.
  bool Muted() const;
  std::int32_t Volume() const;
  std::int32_t PlayCount() const;
  // Seconds played of the open file; 0 when nothing is open.
  double Position() const;
  // Moves playback to the second (held within the file); ignored when closed.
  void Seek(double seconds);
  // Whether files opened from now on play at their ReplayGain track gain
  // (see Mp3Decoder::Open); on at first.
  void SetReplayGain(bool on) { replayGain_ = on; }

  // The path given to the last successful OpenFile; empty when closed.
  QString FileName() const;
  // Also hands what plays to the tap (the stream), from the worker; null
  // for none. The tap must outlive the player.
  void SetTap(SoundTap* tap) { tap_ = tap; }

 signals:
  void playStateChanged(int state);
  void muteChanged(bool muted);
  // A new file is open; its length in seconds (perhaps an estimate).
  void fileOpened(const QString& path, double duration);
  // The open file's frames have been counted: its exact length in seconds,
  // which may be the estimate it had.
  void durationChanged(double duration);
  // SetVolume took a value; the volume it holds now.
  void volumeChanged(std::int32_t volume);
  // Seek moved playback to this second.
  void seeked(double seconds);
  // SetPlayCount took a value; the count it holds now.
  void playCountChanged(std::int32_t count);

 private:
  struct Playback;

  // The worker: takes the calls that came in, then plays a chunk, until the
  // player goes.
  void Run();
  // Waits until there is something to play; false when the player goes.
  bool TakeCommands(Playback& playback);
  // Opens the sink for the file's format; false (and stopped) when it cannot.
  bool OpenSink(Playback& playback);
  // Counts more of the file's frames while its length is not settled, and
  // reports the length when the count ends.
  void CountFrames(Playback& playback);
  void PlayChunk(Playback& playback);
  void SetState(int state);  // with the mutex held; reports the change
  // Reports reach the user-interface thread in order, always queued, so a
  // slot never runs inside one of the calls above. They go through reports_
  // under its own mutex rather than inside queued functors, so the hand-over
  // between the threads is one that the thread sanitizer can see. A report
  // still queued when the player goes is dropped.
  void Report(std::function<void()> report);
  Q_INVOKABLE void DeliverReports();
  // Back to the state of a player that never opened a file; the worker lets
  // its file go.
  void Close();

  AudioSinkFactory sinks_;

  // Shared with the worker, under mutex_.
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  int state_ = kClosed;
  std::unique_ptr<Mp3Decoder> incoming_;
  std::optional<std::int64_t> seekTo_;
  std::int32_t playCount_ = 1;
  bool quit_ = false;
  // Counts the files opened, so that the end of one is not taken for the end
  // of a file opened after it.
  std::uint64_t opened_ = 0;

  // Read by the worker on every chunk.
  std::atomic<double> gain_;
  std::atomic<bool> muted_{false};
  std::atomic<std::int64_t> positionFrames_{0};
  // Written under mutex_, by OpenFile and by the worker once it has counted;
  // read without it.
  std::atomic<double> duration_{0.0};
  std::atomic<SoundTap*> tap_{nullptr};

  std::mutex reportsMutex_;
  std::vector<std::function<void()>> reports_;

  // The user-interface thread's own.
  std::int32_t volume_ = kDefaultVolume;
  long rate_ = 0;
  QString fileName_;
  EndOfStreamHandler endOfStream_;
  bool replayGain_ = true;

  std::thread worker_;  // last: starts after everything it uses exists
};
