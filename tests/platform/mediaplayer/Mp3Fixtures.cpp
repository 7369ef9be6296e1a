#include "tests/platform/mediaplayer/Mp3Fixtures.h"

#include <unistd.h>

#include <cstdlib>

const Mp3Fixtures& Mp3Fixtures::Get() {
  static const Mp3Fixtures fixtures{
      std::filesystem::path(MORVA_MP3_FIXTURES) / "tone.mp3",
      std::filesystem::path(MORVA_MP3_FIXTURES) / "sweep.mp3",
      std::filesystem::path(MORVA_MP3_FIXTURES) / "untagged.mp3",
  };
  return fixtures;
}

std::filesystem::path ScratchDir(const std::string& name) {
  const char* tmp = std::getenv("MORVA_TEST_TMP");
  const auto root = tmp != nullptr ? std::filesystem::path(tmp) : std::filesystem::temp_directory_path();
  const auto dir = root / "mediaplayer-scratch" / (std::to_string(::getpid()) + "-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}
