#include "tests/platform/mediaplayer/PlayerHarness.h"

#include <QApplication>
#include <QString>

#include <chrono>
#include <cmath>

#include "platform/mediaplayer/Mp3Decoder.h"
#include "tests/support/WaitUntil.h"

namespace {

// Queued signals and the panel need an application object; one serves the
// whole test program.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "morva_mediaplayer_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

}  // namespace

PlayerHarness::PlayerHarness() : recording_(std::make_shared<AudioRecording>()) {
  EnsureApplication();
  player_ = std::make_unique<Mp3Player>(MakeRecordingSinkFactory(recording_));
}

PlayerHarness::~PlayerHarness() {
  recording_->Release();
  player_.reset();
}

void PlayerHarness::Open(const std::filesystem::path& path) {
  player_->OpenFile(QString::fromStdString(path.string()));
}

bool PlayerHarness::OpenHeldAt(const std::filesystem::path& path, std::size_t frames) {
  recording_->HoldAt(frames);
  Open(path);
  return recording_->WaitForFrames(frames, std::chrono::seconds(10));
}

bool PlayerHarness::WaitUntilStopped() {
  return WaitUntil([this] { return player_->PlayState() == Mp3Player::kStopped; });
}

std::vector<std::int16_t> DecodeAll(const std::filesystem::path& path) {
  auto decoder = Mp3Decoder::Open(path.string());
  std::vector<std::int16_t> all;
  std::vector<std::int16_t> chunk(4096 * static_cast<std::size_t>(decoder->Channels()));
  while (const std::size_t frames = decoder->Read(chunk.data(), 4096)) {
    all.insert(all.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(frames * decoder->Channels()));
  }
  return all;
}

double Rms(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end) {
  double sum = 0.0;
  for (std::size_t i = begin; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return end > begin ? std::sqrt(sum / static_cast<double>(end - begin)) : 0.0;
}
