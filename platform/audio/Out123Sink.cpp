#include "platform/audio/Out123Sink.h"

#include <fmt123.h>
#include <out123.h>

#include <stdexcept>
#include <string>

#include "platform/audio/OutputProbe.h"

namespace {
// Short enough that pause and stop are heard promptly, long enough to play
// without dropouts.
constexpr double kDeviceBufferSeconds = 0.2;

// Why the driver does not work, asked of the layer below where libout123
// says no more than that it failed.
std::string WhyNot(const std::string& driver, out123_handle* handle) {
  std::string why;
  if (driver == "pulse") why = WhyPulseDoesNotOpen();
  if (driver == "alsa") why = WhyAlsaDoesNotOpen();
  if (why.empty()) why = out123_strerror(handle);
  return why;
}
}  // namespace

void Out123Sink::Deleter::operator()(out123_handle* handle) const { out123_del(handle); }

Out123Sink::Opening Out123Sink::TryOpen(const char* driver) {
  Handle handle(out123_new());
  if (!handle) return {nullptr, "out of memory"};
  out123_param2(handle.get(), OUT123_FLAGS, OUT123_QUIET, 0.0, nullptr);
  out123_param2(handle.get(), OUT123_DEVICEBUFFER, 0, kDeviceBufferSeconds, nullptr);
  out123_param2(handle.get(), OUT123_NAME, 0, 0.0, "morva");
  if (out123_open(handle.get(), driver, nullptr) != OUT123_OK ||
      out123_start(handle.get(), 44100, 2, MPG123_ENC_SIGNED_16) != OUT123_OK) {
    return {nullptr, WhyNot(driver, handle.get())};
  }
  out123_stop(handle.get());
  return {std::make_unique<Out123Sink>(Key{}, std::move(handle)), {}};
}

Out123Sink::Out123Sink(Key, Handle handle) : handle_(std::move(handle)) {}

void Out123Sink::Open(long rate, int channels) {
  if (started_ && rate == rate_ && channels == channels_) return;
  if (started_) {
    out123_drain(handle_.get());
    out123_stop(handle_.get());
    started_ = false;
  }
  if (out123_start(handle_.get(), rate, channels, MPG123_ENC_SIGNED_16) != OUT123_OK) {
    throw std::runtime_error(std::string("sound device: ") + out123_strerror(handle_.get()));
  }
  started_ = true;
  rate_ = rate;
  channels_ = channels;
}

void Out123Sink::Write(const std::int16_t* samples, std::size_t frames) {
  if (!started_ || frames == 0) return;
  const std::size_t bytes = frames * static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
  out123_play(handle_.get(), const_cast<std::int16_t*>(samples), bytes);
}

void Out123Sink::Drop() {
  if (started_) out123_drop(handle_.get());
}

void Out123Sink::Drain() {
  if (started_) out123_drain(handle_.get());
}

void Out123Sink::Close() {
  if (!started_) return;
  out123_drain(handle_.get());
  out123_stop(handle_.get());
  started_ = false;
}
