#include <gtest/gtest.h>

#include <map>
#include <set>

#include <QFile>

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
  std::string Open(const std::string& name) { return "player.OpenFile(" + musicDir.toStdString() + "/" + name + ")"; }
  std::vector<std::string> Opened() {
    std::vector<std::string> opened;
    for (const std::string& call : NewCalls())
      if (call.rfind("player.OpenFile(", 0) == 0) opened.push_back(call);
    return opened;
  }
  static std::string Entry(int k, const std::string& name) {
    return Red("\xE2\x80\xA2  [" + std::to_string(k) + ") " + name + "]");
  }
  static std::string Multiple() { return Red("\xE2\x80\xA2 Morva MP3  [Multiple Strings Found]"); }
  static std::string Prompt(const std::string& word, int highest) {
    return Red("\xE2\x80\xA2 Morva MP3  [Type ''" + word + "'' And 0 - " + std::to_string(highest) +
               " Or ''.cancel'']");
  }
  static inline const std::string kDot = "\xC2\xB7";
};

TEST_F(QueueCommandsTest, AQueueGoesOnByItselfInOrderAndBackReturns) {
  Say(".q alpha");  // nothing plays: it starts at once
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Playing [Alpha]")});
  Say(".q delta");
  Say(".q beta");
  Say(".q");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Queued [Delta] " + kDot + " 1 In Queue"),
                                                  Morva("Queued [Beta Love] " + kDot + " 2 In Queue"),
                                                  Morva("Queued MP3s [2]"), Entry(0, "Delta.mp3"),
                                                  Entry(1, "Beta Love.mp3")}));
  EXPECT_EQ(Opened(), std::vector<std::string>{Open("Alpha.mp3")});

  player.End();  // no command typed: the queue's first starts and is announced
  EXPECT_EQ(Opened(), std::vector<std::string>{Open("Delta.mp3")});
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Playing [Delta]")});

  // ".skip" while a track plays: the file-list choice's stop, then the next.
  Say(".skip");
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{"player.Stop", Open("Beta Love.mp3")}));
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Red(""), Morva("Playing [Beta Love]")}));

  Say(".back");
  Say(".back");
  EXPECT_EQ(Opened(), (std::vector<std::string>{Open("Delta.mp3"), Open("Alpha.mp3")}));
  Say(".back");  // nothing before the first
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Red(""), Morva("Playing [Delta]"), Red(""),
                                                  Morva("Playing [Alpha]"), Morva("No MP3 To Go Back To")}));

  player.End();  // the queue is empty and the shuffle off: playback stops, as without a queue
  Say(".skip");
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("No MP3 To Skip To [Queue Empty, Shuffle Off]")});
}

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
                            Multiple(), Entry(0, "Beta Love.mp3"), Entry(1, "Gamma Love.mp3"), Prompt(".play", 1),
                            Multiple(), Entry(0, "Beta Love.mp3"), Entry(1, "Gamma Love.mp3"), Prompt(".q", 1)}));
  Say(".q 7");  // names no entry: the prompt again, both choices stay
  EXPECT_EQ(NewLines(), std::vector<std::string>{Prompt(".q", 1)});
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

// Every track once before any repeats, round after round; a file that has
// gone is skipped with one line to the owner; a change of folder draws the
// next track from the new one; ".xshuffle" ends the continuation.
TEST_F(QueueCommandsTest, ShuffleHearsEveryTrackOncePerRoundAndFollowsTheFolder) {
  Say(".shuffle");
  EXPECT_EQ(NewLines().front(), Morva("MP3 Player " + kDot + " Shuffle is Now Enabled"));
  std::vector<std::string> heard = Opened();
  for (int i = 0; i < 11; ++i) {
    player.End();
    for (const std::string& call : Opened()) heard.push_back(call);
  }
  ASSERT_EQ(heard.size(), 12u);
  for (std::size_t round = 0; round < 3; ++round) {
    const std::set<std::string> once(heard.begin() + static_cast<long>(4 * round),
                                     heard.begin() + static_cast<long>(4 * round + 4));
    EXPECT_EQ(once.size(), 4u) << "round " << round;
  }
  for (std::size_t i = 1; i < heard.size(); ++i) EXPECT_NE(heard[i], heard[i - 1]);

  // A folder with one track gone under the list: the next round skips it.
  const QString other = MakeMusicFolder("other", {"One.mp3", "Two.mp3"});
  form->File1->SetPath(other);
  player.failOpenIf = [](const QString& path) { return path.endsWith("One.mp3"); };
  NewLines();
  player.End();
  player.End();
  const std::string two = "player.OpenFile(" + other.toStdString() + "/Two.mp3)";
  for (const std::string& call : Opened()) {
    if (call.find("/One.mp3") == std::string::npos) {
      EXPECT_EQ(call, two);
    }
  }
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Playing [Two]"), Morva("Playing [Two]")}));

  Say(".xshuffle");
  player.End();
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Shuffle is Now Disabled")});
}

}  // namespace
