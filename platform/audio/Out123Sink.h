#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/AudioSink.h"

struct out123_struct;

// A sound device through libout123.
class Out123Sink : public AudioSink {
  struct Key {  // only TryOpen makes a sink
    explicit Key() = default;
  };

 public:
  struct Deleter {
    void operator()(out123_struct* handle) const;
  };
  using Handle = std::unique_ptr<out123_struct, Deleter>;

  struct Opening {
    std::unique_ptr<Out123Sink> sink;  // null when the driver does not work
    std::string failure;               // then, why
  };
  // Opens the driver ("pulse", "alsa", "oss") and checks that it starts with
  // CD-quality stereo.
  static Opening TryOpen(const char* driver);

  Out123Sink(Key, Handle handle);
  Out123Sink(const Out123Sink&) = delete;
  Out123Sink& operator=(const Out123Sink&) = delete;

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override;
  void Drain() override;
  void Close() override;

 private:
  Handle handle_;
  bool started_ = false;
  long rate_ = 0;
  int channels_ = 0;
};
