#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/audio/SoundTap.h"
#include "platform/stream/IcecastSource.h"
#include "platform/stream/StreamQueue.h"

namespace stream {

// The stream to the room: a source for one Icecast mount, on a thread of its
// own. The players hand what they play to Tap(); the stream sends it on at
// the stream's one format (frames of that format as they are, anything else
// through StreamEncoder), and silence whenever nothing plays, so listeners
// stay connected. A server that is down or lost is tried again after 1, 2,
// 4 ... 60 s, with one notice for the outage and one when it is back; a
// server that refuses the source is told once and tried again only every
// minute. While no server takes the stream, what plays is let go.
class Stream {
 public:
  struct Options {
    IcecastTarget target;
    // Sound waiting to be sent, at most (twice the period); more is dropped.
    double queueSeconds = 4.0;
    // How far ahead of the clock silence is sent.
    std::chrono::milliseconds lead{2500};
    // How often the stream wakes to send what gathered (under `lead`, so
    // that silence goes out before the last of it has played); a new track
    // wakes it at once. Each wake costs more than the bytes it sends (the
    // thread's wake-up, libshout's writes to the socket, Icecast woken on
    // the other end), so it is rare.
    std::chrono::milliseconds period{2000};
  };

  explicit Stream(Options options);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  SoundTap& Tap() { return queue_; }

 private:
  void Run();
  std::string Server() const;

  const Options options_;
  StreamQueue queue_;
  std::atomic<bool> quit_{false};
  std::thread worker_;  // last: starts after everything it uses exists
};

}  // namespace stream
