#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "tests/platform/cdplayer/DiscImage.h"
#include "tests/support/RecordingSink.h"
#include "tests/platform/cdplayer/ToneAnalysis.h"
#include "platform/cdplayer/CdPlayer.h"
#include "platform/mediaplayer/Mp3Player.h"

using namespace cdtest;
using namespace std::chrono_literals;

namespace {

// The CD and the MP3 player each own their sound output: either one plays,
// stops and ends without touching the other.
TEST(CdWithMp3, BothPlayAtOnceWithoutDisturbingEachOther) {
  const std::string cue = WriteCueImage(FreshDir("with-mp3"), "disc", ThreeTones());
  auto cdLog = std::make_shared<AudioRecording>();
  auto mp3Recording = std::make_shared<AudioRecording>();
  CdPlayer cd(MakeRecordingSinkFactory(cdLog), cue);
  Mp3Player mp3(MakeRecordingSinkFactory(mp3Recording));

  // The MP3 is held after a second of sound, so it is still playing while
  // the whole disc plays through.
  mp3Recording->HoldAt(8000);
  mp3.OpenFile(QString(MORVA_MP3_FIXTURES) + "/tone.mp3");
  ASSERT_TRUE(mp3Recording->WaitForFrames(8000, 5s));
  cd.Play();
  ASSERT_TRUE(cdLog->WaitForCount(AudioRecording::Kind::Close, 1));
  EXPECT_EQ(FramesPerTone(cdLog->Events()),
            (std::vector<std::pair<int, std::size_t>>{{300, 75 * 588}, {600, 60 * 588}, {1200, 90 * 588}}));
  EXPECT_EQ(mp3.PlayState(), MediaPlayerControl::kPlaying);
  EXPECT_EQ(mp3Recording->Rate(), 8000);

  // Stopping the CD leaves the MP3 playing; stopping the MP3 leaves the CD.
  cd.Play();
  cd.Stop();
  EXPECT_EQ(mp3.PlayState(), MediaPlayerControl::kPlaying);
  // Only the disc's end drains the sink (a stop cuts it), so the count of
  // drains says when the disc has played through, whenever the stop's own
  // close comes.
  cd.Play();
  mp3.Stop();
  mp3Recording->Release();
  // The disc plays to its end all the same (unpaced, it may be there already).
  ASSERT_TRUE(cdLog->WaitForCount(AudioRecording::Kind::Drain, 2));
  EXPECT_EQ(cd.CurrentTrack(), "1");
}

}  // namespace
