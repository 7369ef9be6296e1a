#include "cdplayer/ToneAnalysis.h"

#include <cmath>

namespace cdtest {

int ToneFrequency(const std::vector<std::int16_t>& stereo) {
  const std::size_t frames = stereo.size() / 2;
  if (frames < 2) return 0;
  int crossings = 0;
  for (std::size_t i = 1; i < frames; ++i) {
    if ((stereo[2 * (i - 1)] < 0) != (stereo[2 * i] < 0)) ++crossings;
  }
  // Whole cycles per window: crossings are two per cycle, the window holds
  // frames - 1 steps.
  return static_cast<int>(std::lround(crossings * 44100.0 / (2.0 * static_cast<double>(frames))));
}

}  // namespace cdtest
