#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/audio/AudioSink.h"

struct out123_struct;

// A sound device through libout123.
class Out123Sink : public AudioSink {
 public:
  // Opens the driver (nullptr: libout123's default) and checks that it starts
  // with CD-quality stereo. Returns nullptr when it does not work.
  static std::unique_ptr<Out123Sink> TryOpen(const char* driver);
  ~Out123Sink() override;

  Out123Sink(const Out123Sink&) = delete;
  Out123Sink& operator=(const Out123Sink&) = delete;

  void Open(long rate, int channels) override;
  void Write(const std::int16_t* samples, std::size_t frames) override;
  void Drop() override;
  void Drain() override;
  void Close() override;

 private:
  explicit Out123Sink(out123_struct* handle);

  out123_struct* handle_;
  bool started_ = false;
  long rate_ = 0;
  int channels_ = 0;
};
