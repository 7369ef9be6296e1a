#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/platform/cdplayer/DiscImage.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/RecordingSink.h"
#include "tests/platform/cdplayer/ToneAnalysis.h"
#include "platform/cdplayer/CdPlayer.h"

using namespace cdtest;
using Kind = AudioRecording::Kind;

namespace {

// A player on the three-tone disc whose sink lets one write through at a time.
class GatedCd : public ::testing::Test {
 protected:
  void SetUp() override { Load(ThreeTones()); }
  void TearDown() override {
    log_->OpenGate();
    cd_.reset();
  }

  void Load(const std::vector<ToneTrack>& tracks) {
    if (log_) log_->OpenGate();
    cd_.reset();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    cue_ = WriteCueImage(FreshDir(std::string("gated_") + info->name()), "disc", tracks);
    log_ = std::make_shared<AudioRecording>(true);
    cd_ = std::make_unique<CdPlayer>(MakeRecordingSinkFactory(log_), cue_);
  }

  // Lets writes through one by one until one carries the tone; a write that
  // was already under way when the track changed may come first.
  bool HearsNext(int tone) {
    for (int i = 0; i < 2; ++i) {
      const std::size_t writes = log_->Count(Kind::Write);
      log_->Allow(1);
      if (!log_->WaitForCount(Kind::Write, writes + 1)) return false;
      if (WriteTones(log_->Events()).back() == tone) return true;
    }
    return false;
  }

  // No write arrives between the last Close and whatever comes next.
  bool SilentSinceClose() {
    const auto events = log_->Events();
    return !events.empty() && events.back().kind == Kind::Close;
  }

  std::string cue_;
  std::shared_ptr<AudioRecording> log_;
  std::unique_ptr<CdPlayer> cd_;
};

TEST_F(GatedCd, NextAndPreviousMoveOneTrackAndStayAtTheEnds) {
  struct Step {
    void (CdPlayer::*move)();
    const char* track;
    int tone;
  };
  // At either end the move stays on that track and keeps playing it.
  const Step steps[] = {{&CdPlayer::Play, "1", 300},           {&CdPlayer::NextTrack, "2", 600},
                        {&CdPlayer::NextTrack, "3", 1200},     {&CdPlayer::NextTrack, "3", 1200},
                        {&CdPlayer::PreviousTrack, "2", 600},  {&CdPlayer::PreviousTrack, "1", 300},
                        {&CdPlayer::PreviousTrack, "1", 300}};
  int done = 0;
  for (const Step& step : steps) {
    ((*cd_).*step.move)();
    EXPECT_EQ(cd_->CurrentTrack(), step.track) << "step " << done;
    EXPECT_TRUE(cd_->IsPlaying()) << "step " << done;
    ASSERT_TRUE(HearsNext(step.tone)) << "step " << done++;
  }

  // A track change cuts what the sink still held of the old track.
  EXPECT_GE(log_->Count(Kind::Drop), 1u);
  EXPECT_EQ(log_->Count(Kind::Open), 1u);
}

TEST_F(GatedCd, MovingWhileStoppedDoesNotStartPlaying) {
  cd_->NextTrack();
  cd_->NextTrack();
  cd_->NextTrack();
  EXPECT_EQ(cd_->CurrentTrack(), "3");
  cd_->PreviousTrack();
  EXPECT_EQ(cd_->CurrentTrack(), "2");
  EXPECT_FALSE(cd_->IsPlaying());
  EXPECT_EQ(log_->Events().size(), 0u);

  cd_->Play();
  ASSERT_TRUE(HearsNext(600));
}

TEST_F(GatedCd, StopSilencesKeepsTheTrackAndPlayResumesIt) {
  cd_->Play();
  cd_->NextTrack();
  ASSERT_TRUE(HearsNext(600));
  ASSERT_TRUE(HearsNext(600));

  cd_->Stop();
  EXPECT_EQ(cd_->CurrentTrack(), "2");
  EXPECT_FALSE(cd_->IsPlaying());
  log_->Allow(1);  // a write already under way may finish
  ASSERT_TRUE(log_->WaitForCount(Kind::Close, 1));
  const auto beforeStop = log_->Events().size();
  cd_->Stop();  // stopping again changes nothing
  EXPECT_EQ(cd_->CurrentTrack(), "2");

  // Resumed inside track 2: the rest of it, then track 3, then the end.
  cd_->Play();
  log_->OpenGate();
  ASSERT_TRUE(log_->WaitForCount(Kind::Close, 2));
  const auto events = log_->Events();
  ASSERT_GT(events.size(), beforeStop);
  EXPECT_EQ(events[beforeStop - 1].kind, Kind::Close);
  EXPECT_EQ(events[beforeStop].kind, Kind::Open);  // nothing written while stopped
  const auto after = FramesPerTone({events.begin() + static_cast<long>(beforeStop), events.end()});
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].first, 600);
  EXPECT_GT(after[0].second, 0u);
  EXPECT_LT(after[0].second, 60u * 588u);
  EXPECT_EQ(after[1], (std::pair<int, std::size_t>{1200, 90u * 588u}));
}

TEST_F(GatedCd, OpenTrayStopsAndForgetsTheDiscUntilTheTrayCloses) {
  cd_->Play();
  cd_->NextTrack();
  ASSERT_TRUE(HearsNext(600));

  cd_->OpenTray();
  EXPECT_EQ(cd_->CurrentTrack(), "(Tray Open)");
  EXPECT_FALSE(cd_->IsPlaying());
  log_->Allow(1);
  ASSERT_TRUE(log_->WaitForCount(Kind::Close, 1));

  // Every role is accepted with the tray open, and nothing plays.
  cd_->OpenTray();
  cd_->Play();
  cd_->NextTrack();
  cd_->PreviousTrack();
  cd_->Stop();
  EXPECT_EQ(cd_->CurrentTrack(), "(Tray Open)");
  EXPECT_FALSE(cd_->IsPlaying());
  EXPECT_TRUE(SilentSinceClose());

  // Closing the tray reads the image again, from track 1; closing it twice
  // does not disturb the disc.
  cd_->CloseTray();
  EXPECT_EQ(cd_->CurrentTrack(), "1");
  cd_->Play();
  ASSERT_TRUE(HearsNext(300));
  cd_->CloseTray();
  EXPECT_TRUE(cd_->IsPlaying());
  EXPECT_EQ(cd_->CurrentTrack(), "1");
}

TEST_F(GatedCd, CloseTrayReadsTheImageAsItIsNow) {
  cd_->OpenTray();
  WriteCueImage(std::filesystem::path(cue_).parent_path().string(), "disc", {{30, 2400}});
  cd_->CloseTray();
  EXPECT_EQ(cd_->CurrentTrack(), "1");
  cd_->NextTrack();
  EXPECT_EQ(cd_->CurrentTrack(), "1");
  cd_->Play();
  ASSERT_TRUE(HearsNext(2400));

  // Gone while the tray is open: closing it finds no disc.
  cd_->OpenTray();
  std::filesystem::remove(std::filesystem::path(cue_).replace_extension(".bin"));
  cd_->CloseTray();
  EXPECT_EQ(cd_->CurrentTrack(), "(No Disc)");
  cd_->Play();
  EXPECT_FALSE(cd_->IsPlaying());
}

TEST_F(GatedCd, DataTracksAreSkipped) {
  Load({{40, 150, false}, {30, 300}, {30, 600}, {40, 150, false}});
  EXPECT_EQ(cd_->CurrentTrack(), "2");
  cd_->PreviousTrack();
  EXPECT_EQ(cd_->CurrentTrack(), "2");
  cd_->NextTrack();
  cd_->NextTrack();
  EXPECT_EQ(cd_->CurrentTrack(), "3");
  cd_->PreviousTrack();
  cd_->Play();
  log_->OpenGate();
  ASSERT_TRUE(log_->WaitForCount(Kind::Close, 1));
  EXPECT_EQ(FramesPerTone(log_->Events()),
            (std::vector<std::pair<int, std::size_t>>{{300, 30 * 588}, {600, 30 * 588}}));
  EXPECT_EQ(cd_->CurrentTrack(), "2");
}

TEST_F(GatedCd, ADataOnlyDiscHasATrackButMakesNoSound) {
  Load({{40, 300, false}});
  EXPECT_EQ(cd_->CurrentTrack(), "1");
  cd_->Play();
  EXPECT_FALSE(cd_->IsPlaying());
  cd_->NextTrack();
  cd_->PreviousTrack();
  EXPECT_EQ(cd_->CurrentTrack(), "1");
  cd_->OpenTray();
  EXPECT_EQ(cd_->CurrentTrack(), "(Tray Open)");
  cd_->CloseTray();
  EXPECT_EQ(cd_->CurrentTrack(), "1");
  EXPECT_EQ(log_->Events().size(), 0u);
}

}  // namespace
