#pragma once

#include <cstdint>
#include <functional>

#include <QString>

// The media player hosted as MediaPlayer1. Every call comes from the
// user-interface thread; a failure is a ControlError thrown by the call.
class MediaPlayerControl {
 public:
  // Values of PlayState(). Only kPlaying counts as playing for the system.
  static constexpr int kStopped = 0;
  static constexpr int kPaused = 1;
  static constexpr int kPlaying = 2;
  static constexpr int kClosed = 8;

  virtual ~MediaPlayerControl() = default;

  // Opens the file at the full path and starts playing it.
  virtual void OpenFile(const QString& path) = 0;
  // Starts from the current position, or resumes when paused. Accepted in any state.
  virtual void Play() = 0;
  // Accepted in any state.
  virtual void Pause() = 0;
  // Halts playback and keeps the position. Accepted in any state.
  virtual void Stop() = 0;
  virtual int PlayState() const = 0;
  // 0 repeats the file without end, 1 plays it once, n plays it n times.
  virtual void SetPlayCount(std::int32_t count) = 0;
  virtual void SetMute(bool mute) = 0;
  // Hundredths of a decibel: 0 is full volume, -10000 silence.
  virtual void SetVolume(std::int32_t volume) = 0;
  // Length of the open file in seconds; 0 when nothing is open.
  virtual double Duration() const = 0;

  // The EndOfStream event: the open file has played to its end (its last
  // pass, under the play count) and stopped there by itself; not raised by
  // Stop, nor for a file that another OpenFile has replaced by then. One
  // handler, set by the main window; raised on the user-interface thread,
  // never from inside a call.
  using EndOfStreamHandler = std::function<void()>;
  virtual void SetEndOfStreamHandler(EndOfStreamHandler handler) = 0;
};
