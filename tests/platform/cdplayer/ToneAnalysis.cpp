#include "tests/platform/cdplayer/ToneAnalysis.h"

#include <cmath>

namespace cdtest {

int ToneFrequency(const std::vector<std::int16_t>& stereo) {
  const std::size_t frames = stereo.size() / 2;
  long first = -1;
  long last = -1;
  int crossings = 0;
  for (std::size_t i = 1; i < frames; ++i) {
    if ((stereo[2 * (i - 1)] < 0) != (stereo[2 * i] < 0)) {
      if (first < 0) first = static_cast<long>(i);
      last = static_cast<long>(i);
      ++crossings;
    }
  }
  if (crossings < 3) return 0;
  // Half a cycle between neighbouring crossings.
  const double halfCycles = crossings - 1;
  const double hz = halfCycles * 44100.0 / (2.0 * static_cast<double>(last - first));
  return 75 * static_cast<int>(std::lround(hz / 75.0));
}

std::vector<int> WriteTones(const std::vector<AudioRecording::Event>& events) {
  std::vector<int> tones;
  for (const auto& e : events)
    if (e.kind == AudioRecording::Kind::Write) tones.push_back(ToneFrequency(e.samples));
  return tones;
}

std::vector<std::pair<int, std::size_t>> FramesPerTone(const std::vector<AudioRecording::Event>& events) {
  std::vector<std::pair<int, std::size_t>> runs;
  for (const auto& e : events) {
    if (e.kind != AudioRecording::Kind::Write) continue;
    const int tone = ToneFrequency(e.samples);
    if (runs.empty() || runs.back().first != tone) runs.push_back({tone, 0});
    runs.back().second += e.samples.size() / 2;
  }
  return runs;
}

}  // namespace cdtest
