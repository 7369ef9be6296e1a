#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include <QSignalSpy>

#include "platform/chatclient/Console.h"
#include "tests/support/ChatFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

// Standard output of the console, kept in memory.
class Output {
 public:
  Output() : file_(open_memstream(&data_, &size_)) {}
  ~Output() {
    std::fclose(file_);
    std::free(data_);
  }
  FILE* file() { return file_; }
  std::string text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  FILE* file_;
};

// A pipe whose read end is the console's standard input.
class Input {
 public:
  Input() {
    int fds[2];
    if (pipe(fds) == 0) {
      read_ = fdopen(fds[0], "r");
      write_ = fds[1];
    }
  }
  ~Input() {
    CloseWriteEnd();
    if (read_) std::fclose(read_);
  }
  FILE* file() { return read_; }
  void Write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      ssize_t n = ::write(write_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }
  void CloseWriteEnd() {
    if (write_ >= 0) ::close(write_);
    write_ = -1;
  }

 private:
  FILE* read_ = nullptr;
  int write_ = -1;
};

class ConsoleTest : public ChatFixture {
 protected:
  ConsoleTest() {
    console_ = std::make_unique<Console>(*client_, input_.file(), output_.file());
    console_->SetQuitHandler([this] { ++quits_; });
  }

  // Feeds the bytes through the pipe, closes it and runs until the console
  // has read all of it. The writer is a thread of its own, so the bytes may
  // be more than a pipe holds.
  void Feed(const std::string& bytes) {
    QSignalSpy closed(console_.get(), &Console::inputClosed);
    std::thread writer([&] {
      input_.Write(bytes);
      input_.CloseWriteEnd();
    });
    console_->Start();
    const bool done = WaitUntil([&] { return closed.count() > 0; }, std::chrono::seconds(20));
    writer.join();
    ASSERT_TRUE(done);
  }

  Input input_;
  Output output_;
  std::unique_ptr<Console> console_;
  int quits_ = 0;
};

TEST_F(ConsoleTest, WritesEveryRoomLineAsItReadsAndEachRoomChange) {
  const QString announcement = QString::fromUtf8("<font face=\"arial\"><font color=#ff0000>\u2022 Loaded By:Joe");
  aol_.SendRoomLine(announcement);
  client_->SayAs("Ann", "hi <b>Joe</b> &amp; co");
  aol_.EnterPrivateRoom("lobby2");
  aol_.SendRoomLine("here");
  EXPECT_EQ(output_.text(),
            "Joe: \xE2\x80\xA2 Loaded By:Joe\n"
            "Ann: hi Joe & co\n"
            "*** Now in room lobby2\n"
            "Joe: here\n");
}

TEST_F(ConsoleTest, TypedLinesGoThroughTheInputBoxAsTheUsers) {
  std::vector<std::string> received;
  HWND input = client_->roomInputBox();
  // Watch the input box's messages by wrapping the room's line signal.
  QObject::connect(client_.get(), &ChatClient::lineShown,
                   [&](const QString&, const QString&) { received.push_back(windows_.Title(input)); });
  Feed("hello room\r\n.play love\n");
  EXPECT_EQ(output_.text(), "Joe: hello room\nJoe: .play love\n");
  // The box is emptied before the line is shown.
  EXPECT_EQ(received, (std::vector<std::string>{"", ""}));
}

TEST_F(ConsoleTest, AsMakesAnotherMemberSpeak) {
  Feed("/as Ann hello there  \n/as Bob\n/as  \n/as Cy  two spaces\n");
  EXPECT_EQ(output_.text(),
            "Ann: hello there  \n*** Usage: /as NAME TEXT\n*** Usage: /as NAME TEXT\nCy:  two spaces\n");
  EXPECT_EQ(client_->Members(), (QStringList{"Joe", "Ann", "Cy"}));
}

TEST_F(ConsoleTest, QuitClosesTheClientAndIgnoresWhatFollows) {
  Feed("before\n/quit\nafter\n");
  EXPECT_EQ(quits_, 1);
  EXPECT_FALSE(client_->isRunning());
  EXPECT_EQ(output_.text(), "Joe: before\n");
}

TEST_F(ConsoleTest, EndOfInputKeepsTheOutputGoingAndTakesAnUnfinishedLastLine) {
  Feed("one\ntwo without feed");
  EXPECT_FALSE(console_->isReading());
  EXPECT_TRUE(client_->isRunning());
  aol_.SendRoomLine("later");
  EXPECT_EQ(output_.text(), "Joe: one\nJoe: two without feed\nJoe: later\n");
  EXPECT_EQ(quits_, 0);
}

TEST_F(ConsoleTest, BadBytesNeverMakeANonRoomLine) {
  std::string bytes;
  bytes += std::string("bad \xFF\xFE utf8 \xC3\n", 15);
  bytes += std::string("nul\0in\0side\n", 12);
  bytes += "     \n\n\t\n";
  bytes += "esc \x1b[2J and \r in the middle\n";
  bytes += std::string("\0\0\0\n", 4);
  Feed(bytes);
  EXPECT_EQ(output_.text(),
            "Joe: bad \xEF\xBF\xBD\xEF\xBF\xBD utf8 \xEF\xBF\xBD\n"
            "Joe: nulinside\n"
            "Joe: esc  [2J and   in the middle\n");
}

TEST_F(ConsoleTest, AMegabyteLineIsSentWhole) {
  const std::string big(1 << 20, 'x');
  Feed(big + "\nafter\n");
  EXPECT_EQ(output_.text(), "Joe: " + big + "\nJoe: after\n");
}

TEST_F(ConsoleTest, OverlongLineIsCutAndTheNextLineStillComes) {
  const std::string huge(Console::kMaxLineBytes + 100000, 'y');
  Feed(huge + "\nnext\n");
  EXPECT_EQ(output_.text(), "Joe: " + std::string(Console::kMaxLineBytes, 'y') + "\nJoe: next\n");
}

TEST_F(ConsoleTest, TheRoomKeepsSixteenMegabytesOfLinesAndSaysWhenItCutsOne) {
  const QString megaline(1 << 20, 'a');  // 2 MiB kept
  for (int i = 0; i < 20; ++i) client_->SayAs("Ann", megaline);
  EXPECT_EQ(client_->Lines().size(), 7u);  // the oldest went first
  std::size_t kept = 0;
  for (const ChatLine& line : client_->Lines())
    kept += static_cast<std::size_t>(line.screenName.size() + line.text.size()) * 2;
  EXPECT_LE(kept, ChatRoom::kKeptBytes);

  // A line longer than the whole budget is shown and reported whole, and kept cut.
  const QString huge(ChatRoom::kKeptBytes / 2 + 10, 'b');
  client_->SayAs("Ann", huge + "!");
  EXPECT_EQ(shown_.back().text, huge + "!");
  ASSERT_EQ(client_->Lines().size(), 1u);
  EXPECT_EQ(client_->Lines().back().text, huge.left(ChatRoom::kKeptBytes / 2 - 3));
  const std::string out = output_.text();
  EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1),
            "*** The transcript keeps only the first 8388605 of the 8388619 characters of a line from Ann\n");
}

TEST_F(ConsoleTest, WithoutARoomTypedLinesGoNowhere) {
  aol_.EnterPrivateRoom("x");
  client_->Close();
  console_->HandleInputLine("nobody");
  console_->HandleInputLine("/as Ann nobody");
  EXPECT_EQ(output_.text(), "*** Now in room x\n");
}

}  // namespace
