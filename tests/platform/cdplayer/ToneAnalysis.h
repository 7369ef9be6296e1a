#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "tests/support/RecordingSink.h"

namespace cdtest {

// Frequency in Hz of a tone in interleaved stereo samples at 44100 Hz, from
// the zero crossings of the left channel, to the nearest multiple of 75 Hz
// (the test tones have whole cycles per sector); 0 for silence.
int ToneFrequency(const std::vector<std::int16_t>& stereo);

// Frequencies of the Write events, in order.
std::vector<int> WriteTones(const std::vector<AudioRecording::Event>& events);
// Frames written per tone, in order of first appearance: {{300, 44100}, ...}.
std::vector<std::pair<int, std::size_t>> FramesPerTone(const std::vector<AudioRecording::Event>& events);

}  // namespace cdtest
