#include <gtest/gtest.h>

#include "tests/support/FormFixture.h"

namespace {

class CdCommandsTest : public CommandFixture {};

TEST_F(CdCommandsTest, EachCommandCallsTheDriveThenReportsItsTrack) {
  Say(".playcd now");
  Say(".next");
  Say(".next");
  Say(".next");
  Say(".prev");
  Say(".stopcd");
  Say(".cdopen");
  Say(".cdclose");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            Morva("Now Playing Track 1"), Morva("Track 2"), Morva("Track 3"), Morva("Track 3"),
                            Morva("New Track 2"), Morva("Stopped Playing Track 2"), Morva("Now Opening CD Drive"),
                            Morva("Now Closing CD Drive")}));
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{"cd.Play", "cd.CurrentTrack", "cd.Next", "cd.CurrentTrack",
                                                  "cd.Next", "cd.CurrentTrack", "cd.Next", "cd.CurrentTrack",
                                                  "cd.Prev", "cd.CurrentTrack", "cd.Stop", "cd.CurrentTrack",
                                                  "cd.OpenTray", "cd.CloseTray"}));
}

TEST_F(CdCommandsTest, NoDiscStillAnnounces) {
  cd.tracks = 0;
  Say(".playcd");
  Say(".cdopen");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Now Playing Track (No Disc)"), Morva("Now Opening CD Drive")}));
}

TEST_F(CdCommandsTest, NextReadsTheTrackAfterEventsOfItsWait) {
  // At 1000.7 the start mark rounds up, so the zero wait lets events in.
  runtime.SetNow(1000.7);
  cd.track = 1;
  runtime.At(1000.8, [&] { cd.track = 3; });
  Say(".next");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Track 3")});
  // The CD commands never touch the media player.
  for (const auto& call : NewCalls()) EXPECT_EQ(call.rfind("player.", 0), std::string::npos) << call;
}

}  // namespace
