#include <gtest/gtest.h>

#include "platform/chatscanner/ChatScanner.h"
#include "tests/support/ChatFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

struct Report {
  QString screenName;
  QString text;
  bool operator==(const Report&) const = default;
};

class ChatScannerTest : public ChatFixture {
 protected:
  ChatScannerTest() {
    scanner_ = std::make_unique<ChatScanner>(*client_);
    scanner_->SetLineReceivedHandler(
        [this](const QString& name, const QString& text) { reports_.push_back({name, text}); });
  }

  std::unique_ptr<ChatScanner> scanner_;
  std::vector<Report> reports_;
};

TEST_F(ChatScannerTest, ReportsNothingBeforeScanningStarts) {
  aol_.SendRoomLine("before");
  scanner_->StartScanning();
  DrainEvents();
  EXPECT_TRUE(reports_.empty());
}

TEST_F(ChatScannerTest, ReportsLaterFromTheEventLoopNotFromInsideTheSend) {
  scanner_->StartScanning();
  bool shownBeforeReport = false;
  scanner_->SetLineReceivedHandler([&](const QString& name, const QString& text) {
    shownBeforeReport = !client_->Lines().empty();
    reports_.push_back({name, text});
  });
  aol_.SendRoomLine(".play love");
  EXPECT_TRUE(reports_.empty());
  DrainEvents();
  EXPECT_EQ(reports_, (std::vector<Report>{{"Joe", ".play love"}}));
  EXPECT_TRUE(shownBeforeReport);
}

TEST_F(ChatScannerTest, OwnAndOtherMembersLinesInOrderWithTagsStripped) {
  scanner_->StartScanning();
  aol_.SendRoomLine(QString::fromUtf8("<font face=\"arial\"><font color=#ff0000>\u2022 Morva MP3 \u2022 Playing [x]"));
  client_->SayAs("Ann", "<b>.play</b> rock &amp; roll");
  aol_.SendRoomLine(".vol 50");
  DrainEvents();
  EXPECT_EQ(reports_, (std::vector<Report>{{"Joe", QString::fromUtf8("\u2022 Morva MP3 \u2022 Playing [x]")},
                                           {"Ann", ".play rock & roll"},
                                           {"Joe", ".vol 50"}}));
}

TEST_F(ChatScannerTest, FollowsTheOpenRoom) {
  scanner_->StartScanning();
  aol_.EnterPrivateRoom("lobby2");
  aol_.SendRoomLine("arrived");
  DrainEvents();
  EXPECT_EQ(reports_, (std::vector<Report>{{"Joe", "arrived"}}));
}

TEST_F(ChatScannerTest, AHandlerThatRunsTheEventLoopGetsTheNextLineInside) {
  scanner_->StartScanning();
  std::vector<QString> order;
  scanner_->SetLineReceivedHandler([&](const QString&, const QString& text) {
    order.push_back("begin " + text);
    if (text == "first") {
      aol_.SendRoomLine("second");
      DrainEvents();  // as a wait does
    }
    order.push_back("end " + text);
  });
  aol_.SendRoomLine("first");
  DrainEvents();
  EXPECT_EQ(order, (std::vector<QString>{"begin first", "begin second", "end second", "end first"}));
}

TEST_F(ChatScannerTest, AFloodIntoWaitingHandlersNestsOnlySoDeepAndKeepsItsOrder) {
  scanner_->StartScanning();
  int depth = 0, deepest = 0;
  std::vector<QString> order;
  const int lines = 3 * ChatScanner::kMaxNesting;
  // Every handler says the next line and waits, as a command's wait does.
  scanner_->SetLineReceivedHandler([&](const QString&, const QString& text) {
    deepest = std::max(deepest, ++depth);
    order.push_back(text);
    if (text.toInt() + 1 < lines) aol_.SendRoomLine(QString::number(text.toInt() + 1));
    DrainEvents();
    --depth;
  });
  aol_.SendRoomLine("0");
  ASSERT_TRUE(WaitUntil([&] { return order.size() == static_cast<std::size_t>(lines) && depth == 0; }));
  EXPECT_EQ(deepest, ChatScanner::kMaxNesting);
  ASSERT_EQ(order.size(), static_cast<std::size_t>(lines));
  for (int i = 0; i < lines; ++i) EXPECT_EQ(order[i], QString::number(i));
}

TEST_F(ChatScannerTest, StartingTwiceReportsEachLineOnce) {
  scanner_->StartScanning();
  scanner_->StartScanning();
  aol_.SendRoomLine("once");
  DrainEvents();
  EXPECT_EQ(reports_.size(), 1u);
}

}  // namespace
