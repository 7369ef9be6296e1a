#include "tests/platform/cdplayer/DiscImage.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "tests/support/TestFolder.h"

namespace fs = std::filesystem;

namespace cdtest {

std::string FreshDir(const std::string& name) {
  return FreshTestFolder("cdplayer/" + name).string();
}

std::vector<unsigned char> ToneBytes(const std::vector<ToneTrack>& tracks) {
  std::vector<unsigned char> bytes;
  for (const ToneTrack& t : tracks) {
    const int frames = t.sectors * 588;
    for (int n = 0; n < frames; ++n) {
      const double phase = 2.0 * std::numbers::pi * t.frequency * n / 44100.0 + 0.3;
      const auto v = static_cast<std::int16_t>(std::lround(8000.0 * std::sin(phase)));
      const auto u = static_cast<std::uint16_t>(v);
      for (int channel = 0; channel < 2; ++channel) {
        bytes.push_back(static_cast<unsigned char>(u & 0xff));
        bytes.push_back(static_cast<unsigned char>(u >> 8));
      }
    }
  }
  return bytes;
}

std::string CueText(const std::string& binName, const std::vector<ToneTrack>& tracks) {
  std::string text = "FILE \"" + binName + "\" BINARY\n";
  int start = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02d:%02d:%02d\n", i + 1,
                  tracks[i].audio ? "AUDIO" : "MODE1/2352", start / (75 * 60), start / 75 % 60,
                  start % 75);
    text += line;
    start += tracks[i].sectors;
  }
  return text;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string WriteCueImage(const std::string& dir, const std::string& base,
                          const std::vector<ToneTrack>& tracks) {
  WriteBytes(dir + "/" + base + ".bin", ToneBytes(tracks));
  const std::string cue = dir + "/" + base + ".cue";
  WriteFile(cue, CueText(base + ".bin", tracks));
  return cue;
}

std::vector<ToneTrack> ThreeTones() { return {{75, 300}, {60, 600}, {90, 1200}}; }

}  // namespace cdtest
