#include <gtest/gtest.h>

#include "src/commands/LineReceived.h"
#include "tests/fakes/FormFixture.h"

namespace {

TEST(RecogniseCommandTest, OnlyTheOwnersExactDotCommands) {
  auto word = [](const QString& sender, const QString& text) -> std::optional<Command> {
    auto r = RecogniseCommand("Joe", sender, text);
    return r ? std::optional<Command>(r->command) : std::nullopt;
  };
  EXPECT_EQ(word("Joe", ".pause"), Command::Pause);
  EXPECT_EQ(word("Joe", ".pause please"), Command::Pause);
  EXPECT_EQ(word("Joe", ".cancel"), Command::Cancel);
  EXPECT_EQ(word("Joe", ".r"), Command::R);
  EXPECT_EQ(word("Ann", ".pause"), std::nullopt);
  EXPECT_EQ(word("joe", ".pause"), std::nullopt);
  EXPECT_EQ(word("Joe ", ".pause"), std::nullopt);
  for (const char* text : {" .pause", ".Pause", ".PAUSE", ".", "..", ".pausex", ".pause\tnow", "", "pause",
                           "\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 MP3 Player Paused"})
    EXPECT_EQ(word("Joe", QString::fromUtf8(text)), std::nullopt) << text;
}

TEST(RecogniseCommandTest, AllThirtyOneWordsInTableOrder) {
  const char* words[] = {".pause", ".xpause", ".repeat", ".adv", ".pr", ".hide", ".xhide", ".viewmp3s",
                         ".xviewmp3s", ".xcoms", ".xrepeat", ".refresh", ".leng", ".exit", ".coms", ".vol",
                         ".r", ".play", ".stop", ".mute", ".cdopen", ".playcd", ".xmute", ".dir",
                         ".cdclose", ".stopcd", ".total", ".greets", ".next", ".prev", ".cancel"};
  ASSERT_EQ(std::size(words), kCommandTable.size());
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    EXPECT_STREQ(kCommandTable[i].word, words[i]);
    EXPECT_EQ(static_cast<std::size_t>(kCommandTable[i].command), i);
  }
}

TEST(RecogniseCommandTest, FirstSpacePosition) {
  EXPECT_EQ(RecogniseCommand("Joe", "Joe", ".vol 50")->line.firstSpace, 5);
  EXPECT_EQ(RecogniseCommand("Joe", "Joe", ".vol")->line.firstSpace, 0);
  EXPECT_EQ(RecogniseCommand("Joe", "Joe", ".pr  lobby2")->line.From(5), " lobby2");
  // With nobody signed on the owner's name is empty, and so must the sender's be.
  EXPECT_TRUE(RecogniseCommand("", "", ".pause"));
}

class IntakeTest : public FormFixture {};

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
  struct Failing : FakeMediaPlayer {
    using FakeMediaPlayer::FakeMediaPlayer;
    void Pause() override { throw ControlError("pause failed"); }
  };
  CallLog failingLog;
  Failing failing(failingLog);
  FakeChatScanner scanner(log);
  Form1 other(Form1::Platform{windows, runtime, failing, scanner, cd, boxes, process, exeDir.path(), nullptr});
  scanner.StartScanning();
  scanner.Receive("Joe", ".pause");  // no announcement after the failed call
  scanner.Receive("Joe", ".stop");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("MP3 Now Stopped")});
}

}  // namespace
