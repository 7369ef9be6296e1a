#include "platform/audio/Out123Sink.h"

#include <fmt123.h>
#include <out123.h>

#include <string>

#include "platform/audio/OutputProbe.h"
#include "src/seams/Diagnostic.h"

namespace {
// Short enough that pause and stop are heard promptly, long enough to play
// without dropouts.
constexpr double kDeviceBufferSeconds = 0.2;
// How often a lost device is tried again.
constexpr std::chrono::milliseconds kLostDeviceRetry{500};

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
  return {std::make_unique<Out123Sink>(Key{}, std::move(handle), driver), {}};
}

Out123Sink::Out123Sink(Key, Handle handle, std::string driver)
    : handle_(std::move(handle)), driver_(std::move(driver)) {}

void Out123Sink::Open(long rate, int channels) {
  if (started_ && rate == rate_ && channels == channels_) return;
  if (started_ && !lost_) {
    out123_drain(handle_.get());
    out123_stop(handle_.get());
  }
  silent_.Open(rate, channels);  // checks the format
  rate_ = rate;
  channels_ = channels;
  started_ = true;
  if (lost_) {
    nextTry_ = Clock::now();  // a new start is worth a try at once
    TryToRecover();
    return;
  }
  if (out123_start(handle_.get(), rate, channels, MPG123_ENC_SIGNED_16) != OUT123_OK) Lose();
}

void Out123Sink::Write(const std::int16_t* samples, std::size_t frames) {
  if (!started_ || frames == 0) return;
  if (lost_ && !TryToRecover()) {
    silent_.Write(samples, frames);
    return;
  }
  const std::size_t frameBytes = static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
  const std::size_t bytes = frames * frameBytes;
  const std::size_t played = out123_play(handle_.get(), const_cast<std::int16_t*>(samples), bytes);
  if (played >= bytes) return;
  // libout123 goes on through interruptions by itself: a short write is a
  // device that failed. What it did not take is not heard, but takes its time.
  Lose();
  const std::size_t heard = played / frameBytes;
  silent_.Write(samples + heard * static_cast<std::size_t>(channels_), frames - heard);
}

void Out123Sink::Drop() {
  if (!started_) return;
  if (lost_) {
    silent_.Drop();
  } else {
    out123_drop(handle_.get());
  }
}

void Out123Sink::Drain() {
  if (!started_) return;
  if (lost_) {
    silent_.Drain();
  } else {
    out123_drain(handle_.get());
  }
}

void Out123Sink::Close() {
  if (!started_) return;
  started_ = false;
  if (lost_) {
    silent_.Close();
    return;
  }
  out123_drain(handle_.get());
  out123_stop(handle_.get());
}

void Out123Sink::Lose() {
  const std::string why = WhyNot(driver_, handle_.get());
  out123_stop(handle_.get());
  lost_ = true;
  silent_.Open(rate_, channels_);
  nextTry_ = Clock::now() + kLostDeviceRetry;
  Diagnose(driver_ + " sound output lost (" + why + "), playing silently until it is back");
}

bool Out123Sink::TryToRecover() {
  const Clock::time_point now = Clock::now();
  if (now < nextTry_) return false;
  if (out123_start(handle_.get(), rate_, channels_, MPG123_ENC_SIGNED_16) != OUT123_OK) {
    nextTry_ = now + kLostDeviceRetry;
    return false;
  }
  lost_ = false;
  silent_.Close();
  Diagnose(driver_ + " sound output is back");
  return true;
}
