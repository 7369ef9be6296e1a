#include <gtest/gtest.h>

#include "tests/support/FormFixture.h"

namespace {

const std::string kWhite = "<font color=#ffffff><font face=\"arial\">";
const std::string kBadNumber = kWhite + "\xE2\x80\xA2Tarlo MP3  [Invaled Number]";
const std::string kNoEntry = kWhite + "\xE2\x80\xA2 Morva MP3 [Invaled Number]";

class PlayTest : public CommandFixture {
 protected:
  PlayTest() {
    MakeMusic({"Love Song.mp3", "All You Need Is Love.MP3", "Rock.mp3", "lovely day.mp3"});
    NewCalls();
  }
};

TEST_F(PlayTest, OneMatchPlaysAtOnceIgnoringSpacesAndCase) {
  Say(".play  r O c k ");
  EXPECT_EQ(NewCalls(), std::vector<std::string>{Open("Rock.mp3")});
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Playing [Rock]")});
  EXPECT_EQ(form->List2->ListCount(), 0);
  EXPECT_FALSE(form->session().SelectionPending);
}

TEST_F(PlayTest, NoMatchAndWordsInAnotherOrder) {
  Say(".play song love");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Red("\xE2\x80\xA2 Morva MP3  [No Strings Found]")});
  EXPECT_TRUE(NewCalls().empty());
}

TEST_F(PlayTest, SeveralMatchesAreListedASecondApartThenPicked) {
  runtime.SetNow(1000.0);
  Say(".play love");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Multiple(),
                                                  Entry(0, "All You Need Is Love.MP3"), Entry(1, "Love Song.mp3"),
                                                  Entry(2, "lovely day.mp3"), Prompt(2)}));
  EXPECT_DOUBLE_EQ(runtime.Seconds(), 1003.0);  // a wait after every numbered line
  EXPECT_EQ(form->session().SelectionPending, -1);
  EXPECT_TRUE(NewCalls().empty());

  Say(".play 3");  // names no entry: the choice stays
  Say(".play x");
  Say(".play Rock");  // a title is read as a number too
  Say(".play");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{kNoEntry, kBadNumber, kBadNumber, kBadNumber}));
  EXPECT_EQ(form->List2->ListCount(), 3);

  Say(".play 0.5");  // halves round to even: 0
  EXPECT_EQ(NewCalls(), std::vector<std::string>{Open("All You Need Is Love.MP3")});
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Now Playing [All You Need Is Love]")});
  EXPECT_FALSE(form->session().SelectionPending);
  EXPECT_EQ(form->List2->ListCount(), 0);
}

TEST_F(PlayTest, NumbersOutsideSixteenBitsAndNegativeOnes) {
  Say(".play love");
  NewLines();
  for (const char* text : {".play 32768", ".play -32769", ".play 32767.5", ".play 1e10", ".play ", ".play nan"}) {
    Say(text);
    EXPECT_EQ(NewLines(), std::vector<std::string>{kBadNumber}) << text;
  }
  for (const char* text : {".play -1", ".play 32767", ".play -0.5"}) {
    Say(text);
    std::vector<std::string> expected{kNoEntry};
    if (std::string(text) == ".play -0.5") expected = {Morva("Now Playing [All You Need Is Love]")};
    EXPECT_EQ(NewLines(), expected) << text;
  }
}

TEST_F(PlayTest, APlayingTrackIsStoppedBeforeThePendingNumberIsChecked) {
  Say(".play love");
  player.state = MediaPlayerControl::kPlaying;
  NewLines();
  NewCalls();
  Say(".play 9");
  EXPECT_EQ(NewCalls(), std::vector<std::string>{"player.Stop"});
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("MP3 Now Stopped"), kNoEntry}));
}

TEST_F(PlayTest, CancelEndsTheChoiceSoANewSearchRuns) {
  Say(".cancel");  // nothing pending: nothing happens
  EXPECT_TRUE(NewLines().empty());
  Say(".play love");
  Say(".cancel");
  EXPECT_FALSE(form->session().SelectionPending);
  EXPECT_EQ(form->List2->ListCount(), 0);
  NewLines();
  Say(".play rock");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Playing [Rock]")});
}

TEST_F(PlayTest, EmptyTitleAndPlayAlone) {
  Say(".play");  // nothing to search for
  EXPECT_TRUE(NewLines().empty());
  Say(".play ");  // the empty text matches every file
  auto lines = NewLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines.back(), Prompt(3));
}

TEST_F(PlayTest, ASearchDuringTheListingAppendsToTheSameList) {
  runtime.SetNow(1000.0);
  runtime.At(1000.5, [&] { Say(".play rock"); });
  Say(".play love");
  // The inner search appends its one match to the three listed, so it lists
  // four; the outer listing keeps its own bounds, and its prompt counts four.
  const std::string multiple = Multiple();
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            multiple, Entry(0, "All You Need Is Love.MP3"),
                            multiple, Entry(0, "All You Need Is Love.MP3"), Entry(1, "Love Song.mp3"),
                            Entry(2, "lovely day.mp3"), Entry(3, "Rock.mp3"), Prompt(3),
                            Entry(1, "Love Song.mp3"), Entry(2, "lovely day.mp3"), Prompt(3)}));
  EXPECT_EQ(form->session().SelectionPending, -1);
  EXPECT_EQ(form->List2->ListCount(), 4);
}

TEST_F(PlayTest, AFileThatFailsToOpenLeavesNoMatchBehind) {
  player.failing.insert("OpenFile");
  Say(".play rock");
  EXPECT_TRUE(NewLines().empty());  // the failure ends the search silently
  EXPECT_EQ(form->List2->ListCount(), 0);
  EXPECT_FALSE(form->session().SelectionPending);
  player.failing.clear();
  NewCalls();
  Say(".play song love");  // no match: not a retry of the file that failed
  Say(".play lovely");     // one match: played, not listed with the failed one
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Red("\xE2\x80\xA2 Morva MP3  [No Strings Found]"),
                                                  Morva("Playing [lovely day]")}));
  EXPECT_EQ(NewCalls(), std::vector<std::string>{Open("lovely day.mp3")});
}

TEST_F(PlayTest, NumberedPickWhoseFileCannotOpen) {
  Say(".play love");
  NewLines();
  player.failing.insert("OpenFile");
  Say(".play 1");
  EXPECT_EQ(NewLines(), std::vector<std::string>{kBadNumber});
  EXPECT_EQ(form->session().SelectionPending, -1);
}

}  // namespace
