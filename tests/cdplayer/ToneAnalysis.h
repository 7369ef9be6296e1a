#pragma once

#include <cstdint>
#include <vector>

namespace cdtest {

// Frequency in Hz of a tone in interleaved stereo samples at 44100 Hz, from
// the zero crossings of the left channel, to the nearest multiple of 75 Hz
// (the test tones have whole cycles per sector); 0 for silence.
int ToneFrequency(const std::vector<std::int16_t>& stereo);

}  // namespace cdtest
