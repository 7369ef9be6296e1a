#include "platform/audio/Out123Sink.h"

#include <fmt123.h>
#include <out123.h>

#include <stdexcept>
#include <string>

namespace {
// Short enough that pause and stop are heard promptly, long enough to play
// without dropouts.
constexpr double kDeviceBufferSeconds = 0.2;
}  // namespace

std::unique_ptr<Out123Sink> Out123Sink::TryOpen(const char* driver) {
  out123_handle* handle = out123_new();
  if (handle == nullptr) return nullptr;
  out123_param2(handle, OUT123_FLAGS, OUT123_QUIET, 0.0, nullptr);
  out123_param2(handle, OUT123_DEVICEBUFFER, 0, kDeviceBufferSeconds, nullptr);
  out123_param2(handle, OUT123_NAME, 0, 0.0, "morva");
  if (out123_open(handle, driver, nullptr) != OUT123_OK ||
      out123_start(handle, 44100, 2, MPG123_ENC_SIGNED_16) != OUT123_OK) {
    out123_del(handle);
    return nullptr;
  }
  out123_stop(handle);
  return std::unique_ptr<Out123Sink>(new Out123Sink(handle));
}

Out123Sink::Out123Sink(out123_handle* handle) : handle_(handle) {}

Out123Sink::~Out123Sink() { out123_del(handle_); }

void Out123Sink::Open(long rate, int channels) {
  if (started_ && rate == rate_ && channels == channels_) return;
  if (started_) {
    out123_drain(handle_);
    out123_stop(handle_);
    started_ = false;
  }
  if (out123_start(handle_, rate, channels, MPG123_ENC_SIGNED_16) != OUT123_OK) {
    throw std::runtime_error(std::string("sound device: ") + out123_strerror(handle_));
  }
  started_ = true;
  rate_ = rate;
  channels_ = channels;
}

void Out123Sink::Write(const std::int16_t* samples, std::size_t frames) {
  if (!started_ || frames == 0) return;
  const std::size_t bytes = frames * static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
  out123_play(handle_, const_cast<std::int16_t*>(samples), bytes);
}

void Out123Sink::Drop() {
  if (started_) out123_drop(handle_);
}

void Out123Sink::Drain() {
  if (started_) out123_drain(handle_);
}

void Out123Sink::Close() {
  if (!started_) return;
  out123_drain(handle_);
  out123_stop(handle_);
  started_ = false;
}
