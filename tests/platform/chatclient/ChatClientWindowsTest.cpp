#include <gtest/gtest.h>

#include <QDateTime>
#include <QSignalSpy>

#include "platform/chatclient/LineClock.h"

#include "tests/support/ChatFixture.h"

namespace {

class ChatClientWindowsTest : public ChatFixture {
 protected:
  std::vector<std::string> ClassesOf(HWND parent) const {
    std::vector<std::string> classes;
    for (HWND child : windows_.Children(parent)) classes.push_back(windows_.ClassName(child));
    return classes;
  }
};

TEST_F(ChatClientWindowsTest, RoomWindowIsFoundWithItsControlsInChildOrder) {
  Start(Joe());
  HWND room = aol_.FindRoomWindow();
  ASSERT_NE(room, kNullWindow);
  EXPECT_EQ(room, client_->roomWindow());
  EXPECT_EQ(windows_.Title(room), "Lobby");
  EXPECT_EQ(ClassesOf(room),
            (std::vector<std::string>{"RICHCNTL", "RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Static"}));
  EXPECT_EQ(windows_.Children(room)[1], client_->roomInputBox());
  // The room stands on top; the welcome window and another window lie below it.
  std::vector<HWND> children = windows_.Children(client_->mdiClient());
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[0], room);
  EXPECT_EQ(windows_.Title(children[1]), "Welcome, Joe!");
  EXPECT_EQ(ClassesOf(children[2]), std::vector<std::string>{});
}

TEST_F(ChatClientWindowsTest, SendRoomLineReachesTheRoomAsTheUsersLine) {
  Start(Joe());
  const QString line = QString::fromUtf8("<font face=\"arial\"><font color=#ff0000>\u2022 Morva MP3 \u2022 Playing [x]");
  aol_.SendRoomLine(line);
  aol_.SendRoomLine("second");
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Joe", line}, {"Joe", "second"}}));
  ASSERT_EQ(client_->Lines().size(), 2u);
  EXPECT_EQ(client_->Lines()[0].text, line);
  EXPECT_EQ(windows_.Title(client_->roomInputBox()), "");
  EXPECT_TRUE(client_->Members().contains("Joe"));
}

TEST_F(ChatClientWindowsTest, InputBoxSendsNothingWhenBlankAndKeepsTypedCharacters) {
  Start(Joe());
  aol_.SendRoomLine("");
  aol_.SendRoomLine("    ");
  EXPECT_TRUE(shown_.empty());
  HWND input = client_->roomInputBox();
  for (char c : std::string("hix")) windows_.SendMessageA(input, WM_CHAR, static_cast<unsigned char>(c), 0);
  windows_.SendMessageA(input, WM_CHAR, 8, 0);
  windows_.SendMessageA(input, WM_CHAR, 13, 0);
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Joe", "hi"}}));
}

TEST_F(ChatClientWindowsTest, LineBreaksInALineBecomeSpaces) {
  Start(Joe());
  aol_.SendRoomLine("Playing [a\nb\rc\x1b]");
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Joe", "Playing [a b c ]"}}));
}

TEST_F(ChatClientWindowsTest, EnterPrivateRoomOpensTheNewRoomOnTopAndClosesTheOld) {
  Start(Joe());
  HWND lobby = client_->roomWindow();
  aol_.SendRoomLine("bye");
  aol_.EnterPrivateRoom("lobby2");
  HWND room = aol_.FindRoomWindow();
  EXPECT_NE(room, lobby);
  EXPECT_FALSE(windows_.IsWindow(lobby));
  EXPECT_EQ(windows_.Title(room), "lobby2");
  EXPECT_EQ(windows_.Children(client_->mdiClient())[0], room);
  EXPECT_EQ(rooms_, std::vector<QString>{"lobby2"});
  aol_.SendRoomLine("hello");
  EXPECT_EQ(client_->openRoomName(), "lobby2");
  EXPECT_EQ(client_->Lines().size(), 1u);
  // The room left behind keeps its lines; the user has left its members.
  EXPECT_EQ(client_->Lines("Lobby").size(), 1u);
  EXPECT_FALSE(client_->Members("Lobby").contains("Joe"));
  EXPECT_EQ(windows_.Title(client_->keywordBox()), "");
}

TEST_F(ChatClientWindowsTest, KeywordBoxIgnoresOtherKeywordsAndEmptyRoomNames) {
  Start(Joe());
  HWND lobby = client_->roomWindow();
  aol_.OpenKeyword("aol://1234:5-6-x");
  aol_.OpenKeyword("news");
  aol_.EnterPrivateRoom("");
  aol_.EnterPrivateRoom("Lobby");  // already there
  EXPECT_EQ(aol_.FindRoomWindow(), lobby);
  EXPECT_TRUE(rooms_.empty());
}

TEST_F(ChatClientWindowsTest, RoomNameKeepsInnerSpacesAndLosesTheSurroundingOnes) {
  Start(Joe());
  aol_.EnterPrivateRoom("  the back room  ");
  EXPECT_EQ(windows_.Title(aol_.FindRoomWindow()), "the back room");
}

TEST_F(ChatClientWindowsTest, OtherMembersSpeakInTheOpenRoomAndBecomeMembers) {
  Start(Joe());
  int changes = 0;
  QObject::connect(client_.get(), &ChatClient::membersChanged, [&] { ++changes; });
  client_->SayAs("Ann", "hi all");
  client_->SayAs("Ann", "again");
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Ann", "hi all"}, {"Ann", "again"}}));
  EXPECT_EQ(client_->Members(), (QStringList{"Joe", "Ann"}));
  // The room window's member list hears of her once, when she first speaks.
  EXPECT_EQ(changes, 1);
  const HWND list = windows_.FindWindowExA(aol_.FindRoomWindow(), kNullWindow, "_AOL_Listbox", nullptr);
  EXPECT_EQ(windows_.Title(list), "Ann\nJoe");  // in order of name
}

TEST_F(ChatClientWindowsTest, OwnScreenNameReadsTheWelcomeTitle) {
  Start(Joe());
  EXPECT_EQ(aol_.OwnScreenName(), "Joe");
  aol_.EnterPrivateRoom("elsewhere");
  EXPECT_EQ(aol_.OwnScreenName(), "Joe");
}

TEST_F(ChatClientWindowsTest, ScreenNameWithoutBangAndDefaultWhenEmpty) {
  ChatClientOptions options;
  options.screenName = "Jo!e";
  Start(options);
  EXPECT_EQ(aol_.OwnScreenName(), "Joe");
  client_.reset();
  options.screenName = "";
  Start(options);
  EXPECT_EQ(aol_.OwnScreenName(), DefaultScreenName());
}

TEST_F(ChatClientWindowsTest, SignedOffHasNoWelcomeNoRoomAndCannotEnterOne) {
  ChatClientOptions options = Joe();
  options.signedOn = false;
  Start(options);
  EXPECT_EQ(aol_.OwnScreenName(), "");
  EXPECT_EQ(aol_.FindRoomWindow(), kNullWindow);
  EXPECT_EQ(windows_.Children(client_->mdiClient()).size(), 1u);
  aol_.SendRoomLine("lost");
  aol_.EnterPrivateRoom("x");
  client_->SayAs("Ann", "lost too");
  EXPECT_EQ(aol_.FindRoomWindow(), kNullWindow);
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ChatClientWindowsTest, NoRoomUntilAKeywordOpensOne) {
  ChatClientOptions options = Joe();
  options.openRoom = false;
  Start(options);
  EXPECT_EQ(aol_.OwnScreenName(), "Joe");
  EXPECT_EQ(aol_.FindRoomWindow(), kNullWindow);
  aol_.SendRoomLine("lost");
  aol_.EnterPrivateRoom("first");
  aol_.SendRoomLine("found");
  EXPECT_EQ(windows_.Title(aol_.FindRoomWindow()), "first");
  EXPECT_EQ(shown_, (std::vector<Shown>{{"Joe", "found"}}));
}

TEST_F(ChatClientWindowsTest, CloseRemovesEveryWindow) {
  Start(Joe());
  QSignalSpy closed(client_.get(), &ChatClient::closed);
  client_->Close();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(client_->isRunning());
  EXPECT_TRUE(windows_.Children(kNullWindow).empty());
  EXPECT_EQ(aol_.FindRoomWindow(), kNullWindow);
  aol_.SendRoomLine("nobody hears");
  client_->SayAs("Ann", "nor this");
  EXPECT_TRUE(shown_.empty());
}

// A line's time of day is the local time, read from the zone once a minute:
// across midnight, a change to summer time and back, and a clock set back.
TEST(LineClockTest, GivesTheLocalTimeOfDayAcrossMidnightAndTheClockChanges) {
  const QByteArray zone = qgetenv("TZ");
  qputenv("TZ", "Europe/Berlin");
  const auto at = [](const char* utc) { return QDateTime::fromString(utc, Qt::ISODate).toMSecsSinceEpoch(); };
  LineClock clock;
  for (const char* utc : {"2026-03-28T22:59:59Z", "2026-03-28T23:00:01Z", "2026-03-29T00:59:00Z",
                          "2026-03-29T01:00:00Z", "2026-10-25T00:59:00Z", "2026-10-25T01:00:00Z",
                          "2026-10-24T12:00:00Z"}) {
    EXPECT_EQ(clock.At(at(utc)), QDateTime::fromMSecsSinceEpoch(at(utc)).time()) << utc;
  }
  // Within the minute the offset is not read again, and the time still moves on.
  EXPECT_EQ(clock.At(at("2026-10-24T12:00:30Z")), QTime(14, 0, 30));
  if (zone.isNull())
    qunsetenv("TZ");
  else
    qputenv("TZ", zone);
}

TEST(ChatRoomTest, KeepsTheLatestLinesOnly) {
  ChatRoom room("r");
  for (std::size_t i = 0; i < ChatRoom::kKeptLines + 5; ++i) room.Say("a", QString::number(i));
  EXPECT_EQ(room.lines().size(), ChatRoom::kKeptLines);
  EXPECT_EQ(room.lines().front().text, "5");
}

}  // namespace
