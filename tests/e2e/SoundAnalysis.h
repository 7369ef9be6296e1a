#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Measures of one channel of a recording at SoundServer::kRate. Ranges are
// frame indexes [begin, end), held within the recording.
namespace sound {

using Samples = std::vector<std::int16_t>;

// Samples of at most this size count as silence: a player's silence is all
// zeros, and a sine tone comes this near zero only for a sample or two.
inline constexpr int kSilence = 16;

std::size_t FramesOf(double seconds);
double SecondsOf(std::size_t frames);

// The level in decibels of full scale (root mean square); -200 for silence.
double LevelDb(const Samples& samples, std::size_t begin, std::size_t end);
// The frequency of a single tone from its rising zero crossings.
double ToneHz(const Samples& samples, std::size_t begin, std::size_t end);
// The amplitude in decibels of full scale of the part of the sound at one
// frequency (a Goertzel filter), to tell two tones of a mix apart.
double PartDb(const Samples& samples, std::size_t begin, std::size_t end, double hz);

// The first and the last frame louder than silence in the range.
std::optional<std::size_t> FirstSound(const Samples& samples, std::size_t begin, std::size_t end);
std::optional<std::size_t> LastSound(const Samples& samples, std::size_t begin, std::size_t end);

struct Run {
  std::size_t begin;
  std::size_t frames;
};
// The runs of silence in the range that last at least minFrames.
std::vector<Run> SilentRuns(const Samples& samples, std::size_t begin, std::size_t end, std::size_t minFrames);

}  // namespace sound
