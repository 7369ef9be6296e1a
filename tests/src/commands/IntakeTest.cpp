#include <gtest/gtest.h>

#include "src/commands/LineReceived.h"
#include "tests/support/FormFixture.h"

namespace {

using commands::RecogniseCommand;

TEST(RecogniseCommandTest, OnlyTheOwnersExactDotCommands) {
  auto word = [](const QString& sender, const QString& text) -> std::optional<std::string> {
    auto r = RecogniseCommand("Joe", sender, text);
    return r ? std::optional<std::string>(r->row->word) : std::nullopt;
  };
  EXPECT_EQ(word("Joe", ".pause"), ".pause");
  EXPECT_EQ(word("Joe", ".pause please"), ".pause");
  EXPECT_EQ(word("Joe", ".cancel"), ".cancel");
  EXPECT_EQ(word("Joe", ".r"), ".r");
  EXPECT_EQ(word("Ann", ".pause"), std::nullopt);
  EXPECT_EQ(word("joe", ".pause"), std::nullopt);
  EXPECT_EQ(word("Joe ", ".pause"), std::nullopt);
  for (const char* text : {" .pause", ".Pause", ".PAUSE", ".", "..", ".pausex", ".pause\tnow", "", "pause",
                           "\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 MP3 Player Paused"})
    EXPECT_EQ(word("Joe", QString::fromUtf8(text)), std::nullopt) << text;
}

TEST(RecogniseCommandTest, FirstSpacePosition) {
  EXPECT_EQ(RecogniseCommand("Joe", "Joe", ".vol 50")->line.firstSpace, 5);
  EXPECT_EQ(RecogniseCommand("Joe", "Joe", ".vol")->line.firstSpace, 0);
  EXPECT_EQ(RecogniseCommand("Joe", "Joe", ".pr  lobby2")->line.From(5), " lobby2");
  // With nobody signed on the owner's name is empty, and so must the sender's be.
  EXPECT_TRUE(RecogniseCommand("", "", ".pause"));
}

class IntakeTest : public CommandFixture {};

TEST_F(IntakeTest, ReadsTheOwnerAnewForEveryLine) {
  Say(".pause");
  EXPECT_EQ(NewCalls(), std::vector<std::string>{"player.Pause"});
  Say(".pause", "Ann");
  EXPECT_TRUE(NewCalls().empty());
  // Ann signs on in Joe's place: her lines are now the owner's.
  windows.SetTitle(windows.FindWindowExA(desktop.mdi(), kNullWindow, "AOL Child", "Welcome, Joe!"), "Welcome, Ann!");
  Say(".pause", "Joe");
  Say(".pause", "Ann");
  EXPECT_EQ(NewCalls(), std::vector<std::string>{"player.Pause"});
}

TEST_F(IntakeTest, OwnAnnouncementsComingBackAreNotCommands) {
  Say(".stop");
  auto lines = NewLines();
  ASSERT_EQ(lines.size(), 1u);
  for (const auto& line : lines) Say(QString::fromStdString(line));
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(IntakeTest, AFailingControlCallEndsOnlyThatCommand) {
  player.failing.insert("Pause");
  Say(".pause");  // no announcement after the failed call
  Say(".stop");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("MP3 Now Stopped")});
}

}  // namespace

// Another input (the desktop's media keys) runs a line as the owner's, from
// anyone or nobody signed on, with the room's announcement and its safety net.
TEST_F(IntakeTest, RunCommandRunsALineAsTheOwnersOwn) {
  windows.SetTitle(windows.FindWindowExA(desktop.mdi(), kNullWindow, "AOL Child", "Welcome, Joe!"), "Welcome, Ann!");
  EXPECT_TRUE(commands::RunCommand(form->session(), ".pause now"));
  EXPECT_EQ(NewCalls(), std::vector<std::string>{"player.Pause"});
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("MP3 Player Paused")});
  for (const char* line : {"pause", ".Pause", ".nosuchword", ""})
    EXPECT_FALSE(commands::RunCommand(form->session(), line)) << line;
  player.failing.insert("Pause");
  EXPECT_TRUE(commands::RunCommand(form->session(), ".pause"));
  EXPECT_TRUE(NewLines().empty());
}
