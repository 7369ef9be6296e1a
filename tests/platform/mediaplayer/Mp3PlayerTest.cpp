#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "tests/platform/mediaplayer/Mp3Fixtures.h"
#include "tests/platform/mediaplayer/PlayerHarness.h"
#include "src/seams/ControlError.h"

using namespace std::chrono_literals;

namespace {

class Mp3PlayerTest : public ::testing::Test {
 protected:
  const Mp3Fixtures& files = Mp3Fixtures::Get();
  PlayerHarness harness;
  Mp3Player& player = harness.player();
  AudioRecording& recording = harness.recording();
};

// The decoder restarted by a seek rounds a few samples the other way, so a
// repeat is compared to within one step; a gap or a shift would be far off.
int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  if (a.size() != b.size()) return 65536;
  int most = 0;
  for (std::size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(a[i] - b[i]));
  return most;
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end) {
  return {samples.begin() + static_cast<std::ptrdiff_t>(begin), samples.begin() + static_cast<std::ptrdiff_t>(end)};
}

}  // namespace

TEST_F(Mp3PlayerTest, NothingOpenIsClosedWithNoLength) {
  EXPECT_EQ(player.PlayState(), Mp3Player::kClosed);
  EXPECT_EQ(player.Duration(), 0.0);
  EXPECT_EQ(player.Volume(), -600);
  EXPECT_EQ(player.PlayCount(), 1);
  // Every command is accepted with nothing open.
  player.Play();
  player.Pause();
  player.Stop();
  player.Seek(3.0);
  EXPECT_EQ(player.PlayState(), Mp3Player::kClosed);
}

TEST_F(Mp3PlayerTest, DurationIsExactWithEncoderDelayAndPaddingRemoved) {
  harness.Open(files.tone);
  EXPECT_NEAR(player.Duration(), 245.4, 0.0005);
  EXPECT_EQ(std::nearbyint(player.Duration()), 245.0);
  harness.Open(files.sweep);
  EXPECT_NEAR(player.Duration(), 2.0, 0.0005);
  // Without a length header the length is what the frames decode to (lame's
  // delay and padding included, as nothing tells their size), once the
  // worker has counted them.
  std::vector<double> counted;
  QObject::connect(&player, &Mp3Player::durationChanged, [&](double seconds) { counted.push_back(seconds); });
  harness.Open(files.untagged);
  ASSERT_TRUE(WaitUntil([&] { return !counted.empty(); }));
  const double decoded = static_cast<double>(DecodeAll(files.untagged).size()) / 8000.0;
  EXPECT_DOUBLE_EQ(player.Duration(), decoded);
  EXPECT_EQ(counted, std::vector<double>{decoded});
  EXPECT_NEAR(decoded, 6.0, 0.3);
}

TEST_F(Mp3PlayerTest, OpenPlaysTheWholeFileOnceAndEndsStoppedAtTheStart) {
  player.SetVolume(0);
  const auto reference = DecodeAll(files.sweep);
  ASSERT_EQ(reference.size(), 16000u);
  recording.HoldAt(100);  // or the whole file may be played before the next line
  harness.Open(files.sweep);
  EXPECT_EQ(player.PlayState(), Mp3Player::kPlaying);
  recording.Release();
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_EQ(recording.Samples(), reference);
  EXPECT_EQ(recording.Rate(), 8000);
  EXPECT_EQ(recording.Channels(), 1);
  EXPECT_GE(recording.Drains(), 1);
  EXPECT_EQ(player.Position(), 0.0);
  // Play after the end starts the file again.
  player.Play();
  ASSERT_TRUE(recording.WaitForFrames(2 * reference.size(), 10s));
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_EQ(recording.Frames(), 2 * reference.size());
}

TEST_F(Mp3PlayerTest, PlayCountZeroRepeatsWithoutAGap) {
  player.SetVolume(0);
  player.SetPlayCount(0);
  const auto reference = DecodeAll(files.sweep);
  const std::size_t n = reference.size();
  ASSERT_TRUE(harness.OpenHeldAt(files.sweep, 2 * n + 500));
  EXPECT_EQ(player.PlayState(), Mp3Player::kPlaying);
  const auto samples = recording.Samples();
  EXPECT_EQ(Slice(samples, 0, n), reference);
  EXPECT_LE(MaxDifference(Slice(samples, n, 2 * n), reference), 1);
  EXPECT_LE(MaxDifference(Slice(samples, 2 * n, 2 * n + 500), Slice(reference, 0, 500)), 1);
  player.Stop();
}

TEST_F(Mp3PlayerTest, PlayCountThreePlaysThreeTimesThenStops) {
  player.SetPlayCount(3);
  harness.Open(files.sweep);
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_EQ(recording.Frames(), 3 * 16000u);
  // Back to once: a new play plays once more.
  player.SetPlayCount(1);
  player.Play();
  ASSERT_TRUE(recording.WaitForFrames(4 * 16000u, 10s));
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_EQ(recording.Frames(), 4 * 16000u);
}

// Stop and pause both halt at once, keep the position, and a later play goes
// on from there: the recording is the file once, with nothing repeated.
class HaltThenPlayTest : public Mp3PlayerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HaltThenPlayTest, ContinuesFromWhereItHalted) {
  const bool pause = GetParam();
  player.SetVolume(0);
  const auto reference = DecodeAll(files.sweep);
  ASSERT_TRUE(harness.OpenHeldAt(files.sweep, 5000));
  if (pause) {
    player.Pause();
    EXPECT_EQ(player.PlayState(), Mp3Player::kPaused);
  } else {
    player.Stop();
    EXPECT_EQ(player.PlayState(), Mp3Player::kStopped);
  }
  recording.Release();
  ASSERT_TRUE(recording.WaitForQuiet(30ms, 5s));
  const std::size_t halted = recording.Frames();
  EXPECT_LT(halted, reference.size());
  EXPECT_NEAR(player.Position(), static_cast<double>(halted) / 8000.0, 1e-9);
  EXPECT_GE(recording.Drops(), 1);
  // Halting again changes nothing; a pause while stopped stays stopped.
  if (pause) {
    player.Pause();
    EXPECT_EQ(player.PlayState(), Mp3Player::kPaused);
  } else {
    player.Stop();
    player.Pause();
    EXPECT_EQ(player.PlayState(), Mp3Player::kStopped);
  }

  recording.HoldAt(halted + 100);
  player.Play();
  EXPECT_EQ(player.PlayState(), Mp3Player::kPlaying);
  ASSERT_TRUE(recording.WaitForFrames(halted + 100, 10s));
  recording.Release();
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_EQ(recording.Samples(), reference);
}

INSTANTIATE_TEST_SUITE_P(PauseAndStop, HaltThenPlayTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Pause" : "Stop"; });

TEST_F(Mp3PlayerTest, SeekMovesPlayback) {
  player.SetVolume(0);
  const auto reference = DecodeAll(files.tone);
  ASSERT_TRUE(harness.OpenHeldAt(files.tone, 100));
  player.Stop();
  recording.Release();
  ASSERT_TRUE(recording.WaitForQuiet(30ms, 5s));
  recording.Clear();
  player.Seek(240.0);
  EXPECT_DOUBLE_EQ(player.Position(), 240.0);
  player.Play();
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_LE(MaxDifference(recording.Samples(), Slice(reference, 240 * 8000, reference.size())), 1);
}

// Level of the tone file in dB relative to full volume, measured away from
// the ramps at the ends.
double LevelDb(PlayerHarness& harness, std::int32_t volume, const std::vector<std::int16_t>& reference) {
  if (volume != 1) harness.player().SetVolume(volume);
  EXPECT_TRUE(harness.OpenHeldAt(Mp3Fixtures::Get().tone, 40000));
  const auto samples = harness.recording().Samples();
  harness.player().Stop();
  return 20.0 * std::log10(Rms(samples, 8000, 40000) / Rms(reference, 8000, 40000));
}

TEST(Mp3PlayerVolumeTest, VolumeIsHundredthsOfADecibelHeldToItsRange) {
  const auto reference = DecodeAll(Mp3Fixtures::Get().tone);
  PlayerHarness full, quieter, standard, loud, silent;
  EXPECT_NEAR(LevelDb(full, 0, reference), 0.0, 0.01);
  const double atMinus2000 = LevelDb(quieter, -2000, reference);
  EXPECT_NEAR(atMinus2000, -20.0, 0.1);
  EXPECT_NEAR(LevelDb(standard, 1, reference), -6.0, 0.1);  // the default, -600
  EXPECT_NEAR(LevelDb(loud, 2500, reference), 0.0, 0.01);
  EXPECT_EQ(loud.player().Volume(), 0);
  silent.player().SetVolume(-25000);
  EXPECT_EQ(silent.player().Volume(), -10000);
  silent.Open(Mp3Fixtures::Get().sweep);
  ASSERT_TRUE(silent.WaitUntilStopped());
  const auto samples = silent.recording().Samples();
  EXPECT_EQ(Rms(samples, 0, samples.size()), 0.0);
}

TEST_F(Mp3PlayerTest, MuteSilencesAndUnmuteRestoresTheVolume) {
  const auto reference = DecodeAll(files.tone);
  player.SetVolume(-2000);
  player.SetMute(true);
  EXPECT_TRUE(player.Muted());
  ASSERT_TRUE(harness.OpenHeldAt(files.tone, 16000));
  auto samples = recording.Samples();
  EXPECT_EQ(Rms(samples, 0, 16000), 0.0);

  player.SetMute(false);
  recording.HoldAt(48000);
  ASSERT_TRUE(recording.WaitForFrames(48000, 10s));
  samples = recording.Samples();
  const double level = 20.0 * std::log10(Rms(samples, 32000, 48000) / Rms(reference, 32000, 48000));
  EXPECT_NEAR(level, -20.0, 0.1);
  EXPECT_EQ(player.Volume(), -2000);
  player.Stop();
}

TEST_F(Mp3PlayerTest, StateChangesReachTheUserInterfaceThread) {
  std::vector<int> states;
  QObject::connect(&player, &Mp3Player::playStateChanged, [&](int state) { states.push_back(state); });
  std::vector<bool> mutes;
  QObject::connect(&player, &Mp3Player::muteChanged, [&](bool muted) { mutes.push_back(muted); });
  harness.Open(files.sweep);
  ASSERT_TRUE(harness.WaitUntilStopped());
  ASSERT_TRUE(WaitUntil([&] { return states.size() >= 2; }));
  EXPECT_EQ(states, (std::vector<int>{Mp3Player::kPlaying, Mp3Player::kStopped}));
  player.SetMute(true);
  player.SetMute(true);
  player.SetMute(false);
  EXPECT_EQ(mutes, (std::vector<bool>{true, false}));
}

TEST_F(Mp3PlayerTest, ANewFileReplacesThePlayingOne) {
  player.SetVolume(0);
  ASSERT_TRUE(harness.OpenHeldAt(files.tone, 1000));
  harness.Open(files.sweep);
  EXPECT_NEAR(player.Duration(), 2.0, 0.0005);
  EXPECT_EQ(player.PlayState(), Mp3Player::kPlaying);
  recording.Release();
  ASSERT_TRUE(harness.WaitUntilStopped());
  const auto samples = recording.Samples();
  ASSERT_GE(samples.size(), 16000u);
  // The tone stops within one chunk; the sweep follows whole.
  EXPECT_LE(samples.size(), 1000u + 4096u + 16000u);
  EXPECT_EQ(Slice(samples, samples.size() - 16000, samples.size()), DecodeAll(files.sweep));
}

// The end event is the system's cue for the next track: raised once for a
// file that played to its end (its last pass), never for a Stop, and never
// for a file whose end comes through after another file was opened.
TEST_F(Mp3PlayerTest, EndOfStreamIsRaisedOnlyForTheOpenFileThatEndedByItself) {
  int ends = 0;
  player.SetEndOfStreamHandler([&] { ++ends; });
  ASSERT_TRUE(harness.OpenHeldAt(files.sweep, 1000));
  player.Stop();
  recording.Release();

  // Ended on the worker, its report still queued, when the next file opens.
  player.SetPlayCount(2);
  player.Play();
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (player.PlayState() != Mp3Player::kStopped && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();  // no events handled: the report stays queued
  ASSERT_EQ(player.PlayState(), Mp3Player::kStopped);
  recording.HoldAt(recording.Frames() + 1000);  // the next file must not end before it is looked at
  harness.Open(files.sweep);
  DrainEvents();
  EXPECT_EQ(ends, 0);
  recording.Release();

  ASSERT_TRUE(WaitUntil([&] { return ends > 0; }));
  DrainEvents();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(player.PlayState(), Mp3Player::kStopped);
  EXPECT_EQ(recording.Frames(), 1000u + (2 * 16000u - 1000u) + 2 * 16000u);
}

