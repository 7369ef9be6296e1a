#include "platform/mediaplayer/SampleGain.h"

#include <algorithm>
#include <cmath>

double GainForVolume(std::int32_t volume) {
  if (volume <= -10000) return 0.0;
  if (volume >= 0) return 1.0;
  return std::pow(10.0, static_cast<double>(volume) / 2000.0);
}

namespace {

// Gains are applied in 16.16 fixed point: cheap enough to run on every sample
// and exact to a few thousandths of a decibel. Gains never exceed 1, so the
// result always fits in 16 bits.
constexpr std::int32_t kUnity = 1 << 16;

std::int32_t Fixed(double gain) {
  return static_cast<std::int32_t>(std::lround(std::clamp(gain, 0.0, 1.0) * kUnity));
}

void Scale(std::int16_t* samples, std::size_t count, std::int32_t gain) {
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<std::int16_t>((samples[i] * gain + kUnity / 2) >> 16);
  }
}

}  // namespace

void ApplyGain(std::int16_t* samples, std::size_t frames, int channels, double from, double to,
               std::size_t rampFrames) {
  const auto width = static_cast<std::size_t>(channels);
  std::size_t frame = 0;
  if (from != to && rampFrames > 0) {
    const std::size_t ramp = std::min(rampFrames, frames);
    for (; frame < ramp; ++frame) {
      const double gain = from + (to - from) * static_cast<double>(frame + 1) / static_cast<double>(rampFrames);
      Scale(samples + frame * width, width, Fixed(gain));
    }
  }
  const std::int32_t gain = Fixed(to);
  if (gain == kUnity) return;
  std::int16_t* rest = samples + frame * width;
  const std::size_t count = (frames - frame) * width;
  if (gain == 0) {
    std::fill(rest, rest + count, std::int16_t{0});
    return;
  }
  Scale(rest, count, gain);
}
