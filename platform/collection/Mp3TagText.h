#pragma once

#include <string>

// What an MP3 file's tags name, for the title search: artist, album and
// title, each followed by a NUL, in UTF-8, with every control character made
// a space; empty when the file has no tags, names nothing or cannot be read.
// Reads with TagLib (ID3v2, APE and ID3v1), never the audio.
std::string ReadMp3TagText(const std::string& path);
