#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/mediaplayer/Mp3Player.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/WaitUntil.h"

// A player that plays into a recording, with the helpers the tests share.
class PlayerHarness {
 public:
  PlayerHarness();
  ~PlayerHarness();  // releases any hold first, so the worker can end

  AudioRecording& recording() { return *recording_; }
  Mp3Player& player() { return *player_; }

  void Open(const std::filesystem::path& path);
  // Opens the file with the recording held at `frames`; true once it has
  // played that far (and waits there until released).
  bool OpenHeldAt(const std::filesystem::path& path, std::size_t frames);
  bool WaitUntilStopped();

 private:
  std::shared_ptr<AudioRecording> recording_;
  std::unique_ptr<Mp3Player> player_;
};

// Every sample of the file, decoded straight through.
std::vector<std::int16_t> DecodeAll(const std::filesystem::path& path);
// Root mean square of samples[begin, end).
double Rms(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end);
