#pragma once

#include <cstdint>
#include <string>

// What an MP3 file's tags name, for the title search: artist, album and
// title, each followed by a NUL, in UTF-8, with every control character made
// a space; empty when the file has no tags, names nothing or cannot be read.
// Reads with TagLib (ID3v2, APE and ID3v1), never the audio.
std::string ReadMp3TagText(const std::string& path);

// A track's tag text, as above, and how long it plays.
struct Mp3Track {
  std::string tags;
  std::uint32_t lengthMs = 0;  // 0: not known
};
// Both from one open of the file: the length as TagLib's fastest reading of
// the audio properties gives it (from a Xing or VBRI header's count of
// frames, else from the first frame's bit rate and the stream's size).
Mp3Track ReadMp3Track(const std::string& path);
