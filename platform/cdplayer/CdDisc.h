#pragma once

#include <cdio/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/cdplayer/CdSource.h"

// One track of a loaded disc: sectors [first, end) on the disc.
struct CdTrack {
  int number = 0;
  lsn_t first = 0;
  lsn_t end = 0;
  bool audio = false;
};

// A disc that libcdio has opened and whose table of contents makes sense.
// Owns the libcdio handle. Reads go through one thread at a time.
class CdDisc {
 public:
  static constexpr std::size_t kFramesPerSector = 588;  // 2352 bytes of 16-bit stereo
  static constexpr long kRate = 44100;
  static constexpr int kChannels = 2;

  // Opens the source; nullptr when there is no readable disc (no drive, no
  // disc in the drive, a broken or incomplete image). Says why on stderr,
  // except for a drive, and puts the reason in `why` when it is given.
  static std::unique_ptr<CdDisc> Load(const CdSource& source, std::string* why = nullptr);

  ~CdDisc();
  CdDisc(const CdDisc&) = delete;
  CdDisc& operator=(const CdDisc&) = delete;

  const std::vector<CdTrack>& Tracks() const { return tracks_; }

  // Index of the first audio track at or after / before `from`, or -1.
  int FirstAudioFrom(int from) const;
  int LastAudioBefore(int before) const;

  // Reads `count` raw audio sectors from `lsn` into `out` as native-order
  // interleaved stereo samples (count * 588 frames). False on a read error.
  bool ReadAudio(lsn_t lsn, std::size_t count, std::int16_t* out) const;

 private:
  struct Handle;
  CdDisc(std::unique_ptr<Handle> handle, std::vector<CdTrack> tracks);

  std::unique_ptr<Handle> handle_;
  std::vector<CdTrack> tracks_;
};

// Converts raw CD audio (little-endian 16-bit) into native-order samples.
void CdAudioToNative(const unsigned char* raw, std::size_t samples, std::int16_t* out);
