#include "platform/mediaplayer/SampleGain.h"

#include <algorithm>
#include <cmath>

double GainForVolume(std::int32_t volume) {
  if (volume <= -10000) return 0.0;
  if (volume >= 0) return 1.0;
  return std::pow(10.0, static_cast<double>(volume) / 2000.0);
}

namespace {

std::int16_t Scaled(std::int16_t sample, double gain) {
  const double value = std::nearbyint(static_cast<double>(sample) * gain);
  return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
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
      for (std::size_t c = 0; c < width; ++c) samples[frame * width + c] = Scaled(samples[frame * width + c], gain);
    }
  }
  if (to == 1.0) return;
  std::int16_t* rest = samples + frame * width;
  const std::size_t count = (frames - frame) * width;
  if (to == 0.0) {
    std::fill(rest, rest + count, std::int16_t{0});
    return;
  }
  for (std::size_t i = 0; i < count; ++i) rest[i] = Scaled(rest[i], to);
}
