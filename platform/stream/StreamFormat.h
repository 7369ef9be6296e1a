#pragma once

#include <cstddef>
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

// The length in bytes of an MPEG-1 Layer III frame at 44.1 kHz from its
// header: 144 bytes per kbit/s over the rate, and the padding byte; 0 for a
// header of another kind or a free bit rate.
inline std::size_t StreamFrameBytes(std::uint32_t header) {
  static constexpr int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  const int kbps = kKbps[(header >> 12) & 15];
  if (!IsStreamFormat(header) || kbps == 0) return 0;
  return static_cast<std::size_t>(144 * 1000 * kbps / kRate) + ((header >> 9) & 1);
}

}  // namespace stream
