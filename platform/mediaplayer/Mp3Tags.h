#pragma once

#include <QString>

// The artist and album an MP3 file's ID3 tags name; empty where they name
// none (or the file has no tags, or cannot be read).
struct Mp3Tags {
  QString artist;
  QString album;
};

// Reads the ID3v2 tag at the start of the file, else the ID3v1 tag at its
// end. Only a regular file is read.
Mp3Tags ReadMp3Tags(const QString& path);
