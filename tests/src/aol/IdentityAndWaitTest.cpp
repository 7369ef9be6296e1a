#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "src/aol/AolClient.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/TestDesktop.h"

namespace {

// A client on a window system of its own, its clock starting where the test says.
struct Client {
  explicit Client(double start = 1000.0) : runtime(start) {}
  WindowSystem windows;
  FakeRuntime runtime;
  AolClient aol{windows, runtime};
};

class IdentityTest : public ::testing::Test, protected Client {};

TEST_F(IdentityTest, ScreenNameComesFromTheWelcomeWindowWhereverItStands) {
  EXPECT_EQ(aol.OwnScreenName(), "");
  TestDesktop desktop(windows);
  EXPECT_EQ(aol.OwnScreenName(), "");
  desktop.AddChild("Buddy List");
  desktop.AddWelcome("Joe Smith");
  desktop.AddRoom("Lobby");
  desktop.AddChild("welcome, Lower!");
  desktop.AddChild(" Welcome, Spaced!");
  EXPECT_EQ(aol.OwnScreenName(), "Joe Smith");
}

TEST_F(IdentityTest, NameEndsAtTheFirstBang) {
  TestDesktop desktop(windows);
  HWND welcome = desktop.AddChild("Welcome, Joe!!  Hi!");
  // Without a "!" the name is whatever follows the greeting.
  const std::pair<const char*, QString> titles[] = {{"Welcome, Joe!!  Hi!", "Joe"}, {"Welcome, !", ""},
                                                    {"Welcome, Joe", "Joe"},         {"Welcome, ", ""},
                                                    {"Welcome, J\xC3\xB6rg!", QString::fromUtf8("J\xC3\xB6rg")}};
  for (const auto& [title, name] : titles) {
    windows.SetTitle(welcome, title);
    EXPECT_EQ(aol.OwnScreenName(), name) << title;
  }
}

// The lookups behind the owner's name: siblings from the top of the z-order,
// through moves and destruction; a handle of a window that has gone, or of
// another parent's child, starts no walk.
TEST_F(IdentityTest, TheWindowTreeKeepsItsOrderThroughMovesAndDestruction) {
  TestDesktop desktop(windows);
  HWND welcome = desktop.AddWelcome("Joe");
  HWND middle = desktop.AddChild("Middle");
  windows.CreateWindowA("Inner", "", middle, nullptr);
  HWND top = desktop.AddChild("Top");
  EXPECT_EQ(windows.Children(desktop.mdi()), (std::vector<HWND>{top, middle, welcome}));
  windows.BringToTop(welcome);
  EXPECT_EQ(windows.Children(desktop.mdi()), (std::vector<HWND>{welcome, top, middle}));
  EXPECT_EQ(windows.FindWindowExA(desktop.mdi(), welcome, "AOL Child", "Middle"), middle);
  EXPECT_EQ(windows.FindWindowExA(desktop.mdi(), middle, "AOL Child", nullptr), kNullWindow);
  EXPECT_EQ(windows.FindWindowExA(middle, welcome, nullptr, nullptr), kNullWindow);
  HWND inner = windows.FindWindowExA(middle, kNullWindow, "Inner", nullptr);
  ASSERT_NE(inner, kNullWindow);
  EXPECT_EQ(windows.DestroyWindow(middle), 1);
  EXPECT_FALSE(windows.IsWindow(inner));
  EXPECT_EQ(windows.Children(desktop.mdi()), (std::vector<HWND>{welcome, top}));
  EXPECT_EQ(windows.FindWindowExA(desktop.mdi(), middle, nullptr, nullptr), kNullWindow);
  EXPECT_EQ(windows.GetWindowTextLengthA(middle), 0);
  EXPECT_EQ(windows.DestroyWindow(middle), 0);
  EXPECT_EQ(aol.OwnScreenName(), "Joe");
  // A byte-order mark before the greeting is no text of the title.
  windows.SetTitle(welcome, "\xEF\xBB\xBFWelcome, Bom!");
  EXPECT_EQ(aol.OwnScreenName(), "Bom");
}

TEST_F(IdentityTest, ReadWindowTitleOfNothingIsEmpty) {
  EXPECT_EQ(aol.ReadWindowTitle(kNullWindow), "");
  HWND w = windows.CreateWindowA("X", "", kNullWindow, nullptr);
  EXPECT_EQ(aol.ReadWindowTitle(w), "");
  windows.SetTitle(w, "Title");
  EXPECT_EQ(aol.ReadWindowTitle(w), "Title");
}

TEST(WaitSecondsTest, LastsFromHalfASecondLessToHalfASecondMore) {
  struct Case {
    double start;
    int seconds;
    double end;
  };
  // The start mark is the clock rounded half to even.
  for (Case c : {Case{1000.2, 1, 1001.0}, Case{1000.7, 1, 1002.0}, Case{1000.5, 1, 1001.0},
                 Case{1001.5, 1, 1003.0}, Case{1000.2, 0, 1000.2}, Case{1000.7, 0, 1001.0},
                 Case{1000.7, -3, 1000.7}, Case{1000.0, 3, 1003.0}}) {
    Client client(c.start);
    client.aol.WaitSeconds(c.seconds);
    EXPECT_DOUBLE_EQ(client.runtime.Seconds(), c.end) << c.start << " + " << c.seconds;
  }
}

TEST(WaitSecondsTest, AWaitAlreadyOverHandlesNoEvents) {
  Client client(1000.2);
  client.aol.WaitSeconds(0);
  EXPECT_EQ(client.runtime.passes(), 0);
}

TEST(WaitSecondsTest, EventsDuringTheWaitRunInsideItAndNestedWaitsEndFirst) {
  Client client;
  auto& [windows, runtime, aol] = client;
  std::vector<std::string> order;
  runtime.At(1000.4, [&] {
    order.push_back("inner start");
    aol.WaitSeconds(2);  // outlasts the outer wait
    order.push_back("inner end");
  });
  aol.WaitSeconds(1);
  order.push_back("outer end");
  EXPECT_EQ(order, (std::vector<std::string>{"inner start", "inner end", "outer end"}));
  EXPECT_DOUBLE_EQ(runtime.Seconds(), 1002.0);
}

TEST(TextUtilitiesTest, DropSpacesRemovesOnlyTheSpaceCharacter) {
  const std::pair<QString, QString> cases[] = {
      {"", ""}, {"    ", ""}, {"nospace", "nospace"}, {" a b\tc\u00A0d ", "ab\tc\u00A0d"}};
  for (const auto& [text, dropped] : cases) EXPECT_EQ(AolClient::DropSpaces(text), dropped) << text.toStdString();
}

TEST(TextUtilitiesTest, ReplaceTextScansLeftToRightIgnoringCase) {
  struct Case {
    const char *text, *find, *with, *result;
  };
  // Text brought in by the replacement is never searched again; no overlaps.
  for (const Case& c : {Case{"Song.MP3", ".mp3", "", "Song"}, Case{"a.mp3.Mp3b.mP3", ".mp3", "", "ab"},
                        Case{".mp3", ".mp3", "", ""}, Case{"Mixed Case", ".mp3", "", "Mixed Case"},
                        Case{"end.mp3", ".mp3", "!", "end!"}, Case{"aaa", "a", "aa", "aaaaaa"},
                        Case{"AAAA", "aa", "b", "bb"}, Case{"x", "", "y", "x"}})
    EXPECT_EQ(AolClient::ReplaceText(c.text, c.find, c.with), c.result) << c.text << " " << c.find;
}

TEST(TextUtilitiesTest, RollUpToCoversOneToN) {
  Client client;
  AolClient& aol = client.aol;
  EXPECT_EQ(aol.RollUpTo(0), 1);
  EXPECT_EQ(aol.RollUpTo(1), 1);
  std::set<double> seen;
  for (int i = 0; i < 200; ++i) {
    double k = aol.RollUpTo(3);
    ASSERT_TRUE(k == 1 || k == 2 || k == 3) << k;
    seen.insert(k);
  }
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
