#pragma once

#include <cstdint>

// The one format the stream keeps from its first frame to its last, so that
// a listener's player never meets a change of rate or channels: MPEG-1
// Layer III, 44.1 kHz, two channels, 128 kbit/s where Morva encodes.
namespace stream {

inline constexpr long kRate = 44100;
inline constexpr int kChannels = 2;
inline constexpr int kBitrateKbps = 128;
// Samples in one MPEG-1 Layer III frame.
inline constexpr long kMpegFrameSamples = 1152;

// Whether an MPEG audio frame header (its first four bytes, big-endian) is
// of the stream's format, so that the frame can go out as it is: MPEG-1,
// Layer III, 44.1 kHz, not mono. Any bit rate will do.
inline bool IsStreamFormat(std::uint32_t header) {
  const bool sync = (header >> 21) == 0x7ff;
  const bool mpeg1 = ((header >> 19) & 3) == 3;
  const bool layer3 = ((header >> 17) & 3) == 1;
  const bool rate44100 = ((header >> 10) & 3) == 0;
  const bool stereo = ((header >> 6) & 3) != 3;
  return sync && mpeg1 && layer3 && rate44100 && stereo;
}

}  // namespace stream
