#include "tests/platform/mediaplayer/Mp3Fixtures.h"

#include <unistd.h>

#include <cstdlib>

#include "tests/support/TestFolder.h"

const Mp3Fixtures& Mp3Fixtures::Get() {
  static const Mp3Fixtures fixtures{
      std::filesystem::path(MORVA_MP3_FIXTURES) / "tone.mp3",
      std::filesystem::path(MORVA_MP3_FIXTURES) / "sweep.mp3",
      std::filesystem::path(MORVA_MP3_FIXTURES) / "untagged.mp3",
  };
  return fixtures;
}

std::filesystem::path ScratchDir(const std::string& name) {
  return FreshTestFolder("mediaplayer/" + std::to_string(::getpid()) + "-" + name);
}
