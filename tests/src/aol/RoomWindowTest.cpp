#include <gtest/gtest.h>

#include "src/aol/AolClient.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/TestDesktop.h"

namespace {

class RoomWindowTest : public ::testing::Test {
 protected:
  WindowSystem windows;
  FakeRuntime runtime;
  AolClient aol{windows, runtime};
};

TEST_F(RoomWindowTest, NoClientMeansNoRoomAndNothingSent) {
  EXPECT_EQ(aol.FindRoomWindow(), kNullWindow);
  aol.SendRoomLine("hello");  // must simply return
}

TEST_F(RoomWindowTest, OnlyNonRoomWindowsMeansNothingSent) {
  TestDesktop desktop(windows);
  desktop.AddWelcome("Joe");
  desktop.AddChild("Buddy List");
  EXPECT_EQ(aol.FindRoomWindow(), kNullWindow);
  aol.SendRoomLine("hello");
  EXPECT_TRUE(desktop.sent().empty());
}

TEST_F(RoomWindowTest, AWindowMissingOneMarkerIsSkipped) {
  TestDesktop desktop(windows);
  auto room = desktop.AddRoom("Lobby");
  TestDesktop::Markers noIcon;
  noIcon.icon = false;
  desktop.AddRoom("Not a room", noIcon);  // on top
  EXPECT_EQ(aol.FindRoomWindow(), room.child);
  aol.SendRoomLine("line");
  EXPECT_EQ(desktop.SentIn(room), std::vector<std::string>{"line"});
}

TEST_F(RoomWindowTest, TheRoomFirstInChildOrderWins) {
  TestDesktop desktop(windows);
  auto lower = desktop.AddRoom("Lower");
  auto upper = desktop.AddRoom("Upper");
  aol.SendRoomLine("to the top");
  EXPECT_EQ(desktop.SentIn(upper), std::vector<std::string>{"to the top"});
  windows.BringToTop(lower.child);
  aol.SendRoomLine("now the other");
  EXPECT_EQ(desktop.SentIn(lower), std::vector<std::string>{"now the other"});
}

TEST_F(RoomWindowTest, SendSetsTheSecondRichControlThenPressesEnter) {
  TestDesktop desktop(windows);
  auto room = desktop.AddRoom("Lobby");
  windows.SetTitle(room.input, "half typed");
  aol.SendRoomLine("");
  aol.SendRoomLine(QString(QChar(0x2022)) + " Morva " + QChar(0x00B7));

  auto got = desktop.ReceivedBy(room.input);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].message, WM_SETTEXT);
  EXPECT_EQ(got[0].text, "");  // the unsent text is overwritten, the empty line still sent
  EXPECT_EQ(got[1].message, WM_CHAR);
  EXPECT_EQ(got[1].character, 13u);
  EXPECT_EQ(got[2].text, "\xE2\x80\xA2 Morva \xC2\xB7");  // UTF-8 is our ANSI code page
  EXPECT_TRUE(desktop.ReceivedBy(room.transcript).empty());
  EXPECT_EQ(desktop.sent().front(), "");
}

TEST_F(RoomWindowTest, ARoomWithOneRichControlIsFoundButGetsNothing) {
  TestDesktop desktop(windows);
  TestDesktop::Markers oneRich;
  oneRich.richControls = 1;
  auto room = desktop.AddRoom("Half", oneRich);
  EXPECT_EQ(aol.FindRoomWindow(), room.child);
  aol.SendRoomLine("lost");
  EXPECT_TRUE(desktop.received().empty());
}

TEST_F(RoomWindowTest, KeywordPathTypesAddressThenSpaceThenEnter) {
  TestDesktop desktop(windows);
  windows.SetTitle(desktop.keywordBox(), "old keyword");
  aol.EnterPrivateRoom("  my room ");
  aol.EnterPrivateRoom("");
  auto got = desktop.ReceivedBy(desktop.keywordBox());
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].text, "aol://2719:2-2-  my room ");
  EXPECT_EQ(got[1].character, 32u);
  EXPECT_EQ(got[2].character, 13u);
  EXPECT_EQ(got[3].text, "aol://2719:2-2-");
  EXPECT_EQ(desktop.keywords().front(), "aol://2719:2-2-  my room ");
}

TEST_F(RoomWindowTest, KeywordWithoutToolbarDoesNothing) {
  TestDesktop desktop(windows, /*withToolbar=*/false);
  aol.OpenKeyword("aol://2719:2-2-x");
  EXPECT_TRUE(desktop.received().empty());
  WindowSystem empty;
  AolClient alone(empty, runtime);
  alone.OpenKeyword("anything");
}

}  // namespace
