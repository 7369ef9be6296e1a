#include "tests/e2e/SoundAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "tests/e2e/SoundServer.h"

namespace sound {

namespace {

constexpr double kFullScale = 32768.0;

std::size_t Clamp(const Samples& samples, std::size_t index) { return std::min(index, samples.size()); }

bool Loud(std::int16_t sample) { return std::abs(static_cast<int>(sample)) > kSilence; }

double Db(double amplitude) { return amplitude > 0.0 ? 20.0 * std::log10(amplitude / kFullScale) : -200.0; }

}  // namespace

std::size_t FramesOf(double seconds) { return static_cast<std::size_t>(std::lround(seconds * SoundServer::kRate)); }

double SecondsOf(std::size_t frames) { return static_cast<double>(frames) / SoundServer::kRate; }

double LevelDb(const Samples& samples, std::size_t begin, std::size_t end) {
  end = Clamp(samples, end);
  if (begin >= end) return -200.0;
  double sum = 0.0;
  for (std::size_t i = begin; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return Db(std::sqrt(sum / static_cast<double>(end - begin)));
}

double ToneHz(const Samples& samples, std::size_t begin, std::size_t end) {
  end = Clamp(samples, end);
  std::optional<std::size_t> first, last;
  std::size_t crossings = 0;
  for (std::size_t i = begin + 1; i < end; ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) {
      if (!first) first = i;
      last = i;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return static_cast<double>(crossings - 1) / SecondsOf(*last - *first);
}

double PartDb(const Samples& samples, std::size_t begin, std::size_t end, double hz) {
  end = Clamp(samples, end);
  if (begin >= end) return -200.0;
  const double w = 2.0 * std::numbers::pi * hz / SoundServer::kRate;
  const double coefficient = 2.0 * std::cos(w);
  double s1 = 0.0, s2 = 0.0;
  for (std::size_t i = begin; i < end; ++i) {
    const double s0 = samples[i] + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
  return Db(2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(end - begin));
}

std::optional<std::size_t> FirstSound(const Samples& samples, std::size_t begin, std::size_t end) {
  end = Clamp(samples, end);
  for (std::size_t i = begin; i < end; ++i)
    if (Loud(samples[i])) return i;
  return std::nullopt;
}

std::optional<std::size_t> LastSound(const Samples& samples, std::size_t begin, std::size_t end) {
  end = Clamp(samples, end);
  for (std::size_t i = end; i > begin; --i)
    if (Loud(samples[i - 1])) return i - 1;
  return std::nullopt;
}

std::vector<Run> SilentRuns(const Samples& samples, std::size_t begin, std::size_t end, std::size_t minFrames) {
  end = Clamp(samples, end);
  std::vector<Run> runs;
  std::size_t start = begin;
  for (std::size_t i = begin; i <= end; ++i) {
    if (i < end && !Loud(samples[i])) continue;
    if (i - start >= minFrames) runs.push_back({start, i - start});
    start = i + 1;
  }
  return runs;
}

}  // namespace sound
