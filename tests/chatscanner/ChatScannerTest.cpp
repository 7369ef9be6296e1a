#include <gtest/gtest.h>

#include "chatclient/EventLoop.h"
#include "fakes/FakeRuntime.h"
#include "platform/chatclient/ChatClient.h"
#include "platform/chatscanner/ChatHtml.h"
#include "platform/chatscanner/ChatScanner.h"
#include "src/aol/AolClient.h"

namespace {

struct Report {
  QString screenName;
  QString text;
  bool operator==(const Report&) const = default;
};

class ChatScannerTest : public ::testing::Test {
 protected:
  ChatScannerTest() {
    ChatClientOptions options;
    options.screenName = "Joe";
    client_ = std::make_unique<ChatClient>(windows_, options);
    scanner_ = std::make_unique<ChatScanner>(*client_);
    scanner_->SetLineReceivedHandler(
        [this](const QString& name, const QString& text) { reports_.push_back({name, text}); });
  }

  WindowSystem windows_;
  FakeRuntime runtime_;
  AolClient aol_{windows_, runtime_};
  std::unique_ptr<ChatClient> client_;
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
    shownBeforeReport = !client_->openRoom()->lines().empty();
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

TEST_F(ChatScannerTest, StartingTwiceReportsEachLineOnce) {
  scanner_->StartScanning();
  scanner_->StartScanning();
  aol_.SendRoomLine("once");
  DrainEvents();
  EXPECT_EQ(reports_.size(), 1u);
}

TEST(ChatHtmlTest, StripsTagsAndDecodesReferences) {
  EXPECT_EQ(StripChatHtml("<font face=\"arial\"><font color=#ff0000>red"), "red");
  EXPECT_EQ(StripChatHtml("</b><font face=\"arial\">x</font>"), "x");
  EXPECT_EQ(StripChatHtml("\u2022 < a href=http://x/>Download it here!</a><font color=#ff0000>"),
            "\u2022 Download it here!");
  EXPECT_EQ(StripChatHtml("&amp; &lt;b&gt; &quot;q&quot; &apos; a&nbsp;b &#65;&#x42;"), "& <b> \"q\" ' a b AB");
}

TEST(ChatHtmlTest, LeavesTextThatIsNotHtml) {
  EXPECT_EQ(StripChatHtml("I <3 this, 1 < 2"), "I <3 this, 1 < 2");
  EXPECT_EQ(StripChatHtml("an open <font never closed"), "an open <font never closed");
  EXPECT_EQ(StripChatHtml("rock & roll &bogus; &#0; &#xD800; &#99999999; &"),
            "rock & roll &bogus; &#0; &#xD800; &#99999999; &");
  EXPECT_EQ(StripChatHtml(".play love"), ".play love");
  EXPECT_EQ(StripChatHtml(""), "");
}

}  // namespace
