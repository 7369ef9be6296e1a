#pragma once

#include <filesystem>
#include <string>

// The MP3 files made for the tests at build time (mono, 8000 Hz).
struct Mp3Fixtures {
  std::filesystem::path tone;   // 245.4 s of 440 Hz
  std::filesystem::path sweep;  // 2 s rising sweep, 300 to 3000 Hz
  std::filesystem::path untagged;  // 3 s sweep, 3 s silence; variable bit rate, no Info header

  static const Mp3Fixtures& Get();
};

// A fresh empty folder for one test's own files.
std::filesystem::path ScratchDir(const std::string& name);
