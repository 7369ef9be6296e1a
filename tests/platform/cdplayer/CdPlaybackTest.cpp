#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/platform/cdplayer/DiscImage.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/RecordingSink.h"
#include "tests/platform/cdplayer/ToneAnalysis.h"
#include "platform/cdplayer/CdPlayer.h"

using namespace cdtest;
using Kind = AudioRecording::Kind;
using Runs = std::vector<std::pair<int, std::size_t>>;

namespace {

const Runs kWholeDisc = {{300, 75 * 588}, {600, 60 * 588}, {1200, 90 * 588}};

TEST(CdPlayback, PlaysEveryTrackInOrderAndStopsAfterTheLast) {
  const std::string cue = WriteCueImage(FreshDir("whole"), "disc", ThreeTones());
  auto log = std::make_shared<AudioRecording>();
  CdPlayer cd(MakeRecordingSinkFactory(log), cue);
  EXPECT_EQ(cd.CurrentTrack(), "1");

  cd.Play();
  EXPECT_EQ(cd.CurrentTrack(), "1");
  ASSERT_TRUE(log->WaitForCount(Kind::Close, 1));
  EXPECT_FALSE(cd.IsPlaying());
  // Whole tracks, each with its own tone (a byte-order mix-up would be noise).
  EXPECT_EQ(FramesPerTone(log->Events()), kWholeDisc);
  // The end of the disc is played out, not cut, and the disc is back at the start.
  const auto events = log->Events();
  EXPECT_EQ(events.front().kind, Kind::Open);
  EXPECT_EQ(events[events.size() - 2].kind, Kind::Drain);
  EXPECT_EQ(cd.CurrentTrack(), "1");

  cd.Play();
  ASSERT_TRUE(log->WaitForCount(Kind::Close, 2));
  Runs twice = kWholeDisc;
  twice.insert(twice.end(), kWholeDisc.begin(), kWholeDisc.end());
  EXPECT_EQ(FramesPerTone(log->Events()), twice);
}

TEST(CdPlayback, TwoPlayersPlayAtOnceWithoutDisturbingEachOther) {
  const std::string dir = FreshDir("two");
  const std::string first = WriteCueImage(dir, "first", ThreeTones());
  const std::string second = WriteCueImage(dir, "second", {{30, 150}, {30, 2400}});
  auto heldLog = std::make_shared<AudioRecording>(true);
  auto freeLog = std::make_shared<AudioRecording>();
  CdPlayer held(MakeRecordingSinkFactory(heldLog), first);
  CdPlayer free(MakeRecordingSinkFactory(freeLog), second);

  held.Play();
  free.Play();
  heldLog->Allow(1);
  ASSERT_TRUE(heldLog->WaitForCount(Kind::Write, 1));
  // One player held in the middle of a write does not hold up the other.
  ASSERT_TRUE(freeLog->WaitForCount(Kind::Close, 1));
  EXPECT_EQ(FramesPerTone(freeLog->Events()), (Runs{{150, 30 * 588}, {2400, 30 * 588}}));
  EXPECT_TRUE(held.IsPlaying());
  EXPECT_EQ(held.CurrentTrack(), "1");

  // Stopping and starting the second one leaves the first one's sound alone.
  free.Play();
  free.Stop();
  heldLog->OpenGate();
  ASSERT_TRUE(heldLog->WaitForCount(Kind::Close, 1));
  EXPECT_EQ(FramesPerTone(heldLog->Events()), kWholeDisc);
}

class ThrowingSink : public AudioSink {
 public:
  void Open(long, int) override { throw std::runtime_error("no device"); }
  void Write(const std::int16_t*, std::size_t) override {}
  void Drop() override {}
  void Drain() override {}
  void Close() override {}
};

TEST(CdPlayback, ASoundOutputThatFailsStopsThePlayerQuietly) {
  const std::string cue = WriteCueImage(FreshDir("nosound"), "disc", ThreeTones());
  const std::vector<AudioSinkFactory> broken = {
      [] { return std::make_unique<ThrowingSink>(); },
      [] { return std::unique_ptr<AudioSink>(); },
      AudioSinkFactory(),
  };
  for (const AudioSinkFactory& sinks : broken) {
    CdPlayer cd(sinks, cue);
    cd.Play();
    EXPECT_TRUE(WaitUntil([&] { return !cd.IsPlaying(); }));
    EXPECT_EQ(cd.CurrentTrack(), "1");
    cd.NextTrack();
    cd.Play();
    EXPECT_TRUE(WaitUntil([&] { return !cd.IsPlaying(); }));
    EXPECT_EQ(cd.CurrentTrack(), "2");
  }
}

TEST(CdPlayback, PlaysACdrdaoTocImage) {
  const std::string dir = FreshDir("toc");
  WriteBytes(dir + "/tones.bin", ToneBytes(ThreeTones()));
  WriteFile(dir + "/disc.toc",
            "CD_DA\n"
            "TRACK AUDIO\nFILE \"tones.bin\" 0 00:01:00\n"
            "TRACK AUDIO\nFILE \"tones.bin\" 00:01:00 00:00:60\n"
            "TRACK AUDIO\nFILE \"tones.bin\" 00:01:60 00:01:15\n");
  auto log = std::make_shared<AudioRecording>();
  CdPlayer cd(MakeRecordingSinkFactory(log), dir + "/disc.toc");
  ASSERT_EQ(cd.CurrentTrack(), "1");
  cd.Play();
  ASSERT_TRUE(log->WaitForCount(Kind::Close, 1));
  EXPECT_EQ(FramesPerTone(log->Events()), kWholeDisc);
}

}  // namespace
