#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Where decoded sound goes. Samples are signed 16-bit, interleaved, in native
// byte order. A sink is used by one worker thread at a time.
class AudioSink {
 public:
  virtual ~AudioSink() = default;

  // Prepares the sink for this rate and channel count; may be called again
  // with another format. Throws std::runtime_error when it cannot.
  virtual void Open(long rate, int channels) = 0;
  // Plays the frames. Blocks the way a sound device does, so a caller that
  // writes in a loop is paced at the sink's real-time rate.
  virtual void Write(const std::int16_t* samples, std::size_t frames) = 0;
  // Throws away what is buffered but not yet heard (stop, pause, seek).
  virtual void Drop() = 0;
  // Waits until everything written has been heard.
  virtual void Drain() = 0;
  virtual void Close() = 0;
};

// Which output a control plays into; chosen with the launcher's --audio option.
enum class AudioChoice { Auto, Null, Pulse, Alsa };

// Makes a new sink for one control. Each control owns its own sinks, so two
// controls play at the same time without disturbing each other.
using AudioSinkFactory = std::function<std::unique_ptr<AudioSink>()>;
