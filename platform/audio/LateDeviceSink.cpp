#include "platform/audio/LateDeviceSink.h"

#include <utility>

namespace {
// How often a device that is not there is asked for while sound is written.
constexpr std::chrono::milliseconds kAbsentDeviceRetry{500};
}  // namespace

LateDeviceSink::LateDeviceSink(Opener opener) : opener_(std::move(opener)) {}

void LateDeviceSink::Open(long rate, int channels) {
  if (device_) {
    device_->Open(rate, channels);
    return;
  }
  silent_.Open(rate, channels);  // checks the format
  rate_ = rate;
  channels_ = channels;
  started_ = true;
  nextTry_ = Clock::now();  // a new start is worth a try at once
  TryToOpen();
}

void LateDeviceSink::Write(const std::int16_t* samples, std::size_t frames) {
  if (!device_ && !(started_ && TryToOpen())) {
    silent_.Write(samples, frames);
    return;
  }
  device_->Write(samples, frames);
}

void LateDeviceSink::Drop() {
  if (device_) {
    device_->Drop();
  } else {
    silent_.Drop();
  }
}

void LateDeviceSink::Drain() {
  if (device_) {
    device_->Drain();
  } else {
    silent_.Drain();
  }
}

void LateDeviceSink::Close() {
  if (device_) {
    device_->Close();
    return;
  }
  started_ = false;
  silent_.Close();
}

bool LateDeviceSink::TryToOpen() {
  const Clock::time_point now = Clock::now();
  if (now < nextTry_) return false;
  nextTry_ = now + kAbsentDeviceRetry;
  std::unique_ptr<AudioSink> device = opener_();
  if (!device) return false;
  device->Open(rate_, channels_);
  device_ = std::move(device);
  silent_.Close();
  return true;
}
