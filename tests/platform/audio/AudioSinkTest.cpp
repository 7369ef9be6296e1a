#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "tests/support/RecordingSink.h"

using namespace std::chrono_literals;

TEST(AudioChoiceTest, ParsesTheLauncherValuesOnly) {
  EXPECT_EQ(ParseAudioChoice("auto"), AudioChoice::Auto);
  EXPECT_EQ(ParseAudioChoice("null"), AudioChoice::Null);
  EXPECT_EQ(ParseAudioChoice("pulse"), AudioChoice::Pulse);
  EXPECT_EQ(ParseAudioChoice("alsa"), AudioChoice::Alsa);
  EXPECT_FALSE(ParseAudioChoice("Auto"));
  EXPECT_FALSE(ParseAudioChoice(""));
  EXPECT_FALSE(ParseAudioChoice("oss"));
}

// The silent sink stands in for a sound card: a writer must see the time
// its sound takes, or a player would race through a file in silence.
TEST(AudioFactoryTest, TheSilentSinkKeepsRealTimeAndTheUnpacedOneDoesNot) {
  const std::vector<std::int16_t> silence(2 * 400, 0);  // 50 ms at 8000 Hz
  auto paced = MakeAudioSinkFactory(AudioChoice::Null)();
  ASSERT_TRUE(paced);
  paced->Open(8000, 2);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 6; ++i) paced->Write(silence.data(), 400);
  paced->Drain();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);

  // Unpaced, an hour of sound goes by at once.
  auto fast = MakeNullSinkFactory(NullPacing::None)();
  fast->Open(8000, 2);
  const auto fastStart = std::chrono::steady_clock::now();
  for (int i = 0; i < 72000; ++i) fast->Write(silence.data(), 400);
  fast->Drain();
  EXPECT_LT(std::chrono::steady_clock::now() - fastStart, 3000ms);
}

TEST(RecordingSinkTest, RecordsEverySampleAndTheFormat) {
  auto recording = std::make_shared<AudioRecording>();
  auto sink = MakeRecordingSinkFactory(recording)();
  sink->Open(22050, 2);
  const std::vector<std::int16_t> a{1, 2, 3, 4}, b{5, 6};
  sink->Write(a.data(), 2);
  sink->Write(b.data(), 1);
  sink->Drop();
  sink->Drain();
  EXPECT_EQ(recording->Frames(), 3u);
  EXPECT_EQ(recording->Samples(), (std::vector<std::int16_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(recording->Rate(), 22050);
  EXPECT_EQ(recording->Channels(), 2);
  EXPECT_EQ(recording->Opens(), 1);
  EXPECT_EQ(recording->Drops(), 1);
  EXPECT_EQ(recording->Drains(), 1);
}

TEST(RecordingSinkTest, HoldStopsTheWriterAtTheExactFrameUntilReleased) {
  auto recording = std::make_shared<AudioRecording>();
  auto sink = MakeRecordingSinkFactory(recording)();
  sink->Open(8000, 1);
  recording->HoldAt(5);
  const std::vector<std::int16_t> chunk(8, 7);
  std::thread writer([&] { sink->Write(chunk.data(), chunk.size()); });
  ASSERT_TRUE(recording->WaitForFrames(5, 2s));
  EXPECT_FALSE(recording->WaitForFrames(6, 20ms));
  recording->Release();
  writer.join();
  EXPECT_EQ(recording->Frames(), 8u);
}
