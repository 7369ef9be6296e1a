#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/SoundTap.h"

namespace stream {

// One thing the players handed over, in the order they did.
struct Piece {
  enum class Kind { Title, Pcm, Mpeg };
  Kind kind = Kind::Pcm;
  std::string title;                 // Title
  std::vector<std::int16_t> samples;  // Pcm: interleaved
  long rate = 0;                     // Pcm
  int channels = 0;                  // Pcm
  std::vector<unsigned char> mpeg;   // Mpeg: whole frames of the stream's format
  double seconds = 0.0;              // Pcm and Mpeg: how long it plays
};

// The hand-over from the players' threads to the stream's: the players push
// (never waiting for more than the queue's own lock), the stream takes what
// has gathered when its own clock says so. Sound never wakes the stream: on
// a busy machine a wake-up costs more than the sending it leads to. Only a
// new title with a little sound after it does, so that a new track reaches
// listeners at once. It holds at most `limitSeconds` of sound: when the
// stream cannot keep up, the oldest sound is dropped, so the stream catches
// up with what plays and memory stays bounded.
class StreamQueue : public SoundTap {
 public:
  using Clock = std::chrono::steady_clock;

  explicit StreamQueue(double limitSeconds);

  void Title(const std::string& title) override;
  void Sound(const std::int16_t* samples, std::size_t frames, long rate, int channels,
             std::span<const unsigned char> mpeg) override;

  // Every piece there is, once `until` passes (none: for ever) or a title
  // with a little sound after it is there; nothing once the queue is closed.
  std::vector<Piece> Take(std::optional<Clock::time_point> until);
  // Wakes the taker for good.
  void Close();
  // Seconds of sound dropped so far.
  double DroppedSeconds() const;

 private:
  void Push(Piece piece);  // with mutex_ held
  bool Due() const;  // with mutex_ held

  const double limitSeconds_;
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Piece> pieces_;
  double queuedSeconds_ = 0.0;
  double droppedSeconds_ = 0.0;
  bool titled_ = false;         // a title came that has not yet woken the taker
  double titledSeconds_ = 0.0;  // and this much sound came after it
  // The last sound went out as its MPEG frames, with this many channels.
  bool passing_ = false;
  int passingChannels_ = 0;
  bool closed_ = false;
};

}  // namespace stream
