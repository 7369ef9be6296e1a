#pragma once

#include <string>
#include <vector>

namespace cdtest {

// One track of a test disc: a sine tone for so many sectors (1/75 s each).
struct ToneTrack {
  int sectors = 75;
  int frequency = 300;  // a multiple of 75 Hz gives whole cycles per sector
  bool audio = true;    // false: written as a MODE1/2352 data track
};

// A fresh empty directory for one test.
std::string FreshDir(const std::string& name);

// Raw 16-bit little-endian stereo samples of the tracks, back to back.
std::vector<unsigned char> ToneBytes(const std::vector<ToneTrack>& tracks);

// Writes <dir>/<base>.bin and <dir>/<base>.cue and returns the CUE's path.
std::string WriteCueImage(const std::string& dir, const std::string& base,
                          const std::vector<ToneTrack>& tracks);

// The CUE sheet text for the tracks, with the given FILE name.
std::string CueText(const std::string& binName, const std::vector<ToneTrack>& tracks);

void WriteFile(const std::string& path, const std::string& text);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// The standard test disc: tracks of 300, 600 and 1200 Hz, 75, 60 and 90 sectors.
std::vector<ToneTrack> ThreeTones();

}  // namespace cdtest
