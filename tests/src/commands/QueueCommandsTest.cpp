#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/FormFixture.h"

namespace {

// The queue, the shuffle and ".back", on the fake player: its End() is the
// real player's end of a track, reported to the main window.
class QueueCommandsTest : public CommandFixture {
 protected:
  QueueCommandsTest() {
    MakeMusic({"Alpha.mp3", "Beta Love.mp3", "Gamma Love.mp3", "Delta.mp3"});
    NewCalls();
  }
  std::vector<std::string> Opened() {
    std::vector<std::string> opened;
    for (const std::string& call : NewCalls())
      if (call.rfind("player.OpenFile(", 0) == 0) opened.push_back(call);
    return opened;
  }
  static inline const std::string kDot = "\xC2\xB7";
};

// ".skip" typed again during the stop's second: each starts one track after
// the wait, so the room is told of exactly the tracks that started, in the
// order they started, and the last one told is the one that plays.
TEST_F(QueueCommandsTest, SkipsFasterThanTheWaitStartEachTrackOnceAndAnnounceOnlyThose) {
  Say(".q alpha");
  Say(".q beta");
  Say(".q gamma");
  NewLines();
  Opened();
  runtime.After(0.5, [this] { Say(".skip"); });
  Say(".skip");
  EXPECT_EQ(Opened(), (std::vector<std::string>{Open("Beta Love.mp3"), Open("Gamma Love.mp3")}));
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Red(""), Morva("Playing [Beta Love]"),
                                                  Morva("Playing [Gamma Love]")}));
  EXPECT_EQ(player.state, MediaPlayerControl::kPlaying);
}

TEST_F(QueueCommandsTest, QueueAndPlayChoicesWaitSideBySideAndCancelEndsBoth) {
  Say(".play love");
  Say(".q love");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            Multiple(), Entry(0, "Beta Love.mp3"), Entry(1, "Gamma Love.mp3"), Prompt(1),
                            Multiple(), Entry(0, "Beta Love.mp3"), Entry(1, "Gamma Love.mp3"), Prompt(1, ".q")}));
  Say(".q 7");  // names no entry: the prompt again, both choices stay
  EXPECT_EQ(NewLines(), std::vector<std::string>{Prompt(1, ".q")});
  Say(".q 1");  // nothing plays yet: starts at once
  Say(".play 0");
  EXPECT_EQ(Opened(), (std::vector<std::string>{Open("Gamma Love.mp3"), Open("Beta Love.mp3")}));
  EXPECT_FALSE(form->session().SelectionPending);

  Say(".play love");
  Say(".q love");
  NewLines();
  Say(".cancel");
  Say(".q delta");  // a search again, not a number; ".play love" stopped the track, so it starts
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Playing [Delta]")});
  EXPECT_EQ(form->List2->ListCount(), 0);
}

// A change of folder draws the next track from the new one; a file that has
// gone is skipped with one line to the owner and left out of later rounds;
// ".xshuffle" ends the continuation. (Rounds are heard end to end in PlayOnTest.)
TEST_F(QueueCommandsTest, ShuffleFollowsTheFolderAndSkipsAFileThatHasGone) {
  Say(".shuffle");
  const QString other = MakeMusicFolder("other", {"One.mp3", "Two.mp3"});
  form->File1->SetPath(other);
  player.failOpenIf = [](const QString& path) { return path.endsWith("One.mp3"); };
  NewLines();
  Opened();
  player.End();
  player.End();
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Playing [Two]"), Morva("Playing [Two]")}));
  const std::vector<std::string> opened = Opened();
  EXPECT_LE(std::count(opened.begin(), opened.end(), "player.OpenFile(" + other.toStdString() + "/One.mp3)"), 1);

  Say(".xshuffle");
  player.End();
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Shuffle is Now Disabled")});
}

}  // namespace
