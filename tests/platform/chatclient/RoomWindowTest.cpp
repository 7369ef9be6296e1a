// The room window on the offscreen platform: what it shows of a room, how
// its input box behaves, and what closing it does.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextEdit>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/ChatInputLine.h"
#include "platform/chatclient/LocalRooms.h"
#include "platform/chatclient/RoomWindowWidget.h"
#include "platform/win32/WindowSystem.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"
#include "tests/support/TestFolder.h"

namespace {

class RoomWindowTest : public ::testing::Test {
 protected:
  RoomWindowTest() {
    auto rooms = std::make_unique<LocalRooms>();
    transport = rooms.get();
    ChatClientOptions options;
    options.screenName = "Joe";
    options.room = "Lobby";
    client = std::make_unique<ChatClient>(windows, options, std::move(rooms));
    window = std::make_unique<RoomWindowWidget>(*client);
    input = window->findChild<ChatInputLine*>();
    transcript = window->findChild<QTextEdit*>();
  }

  void Type(const QString& text) { QTest::keyClicks(input, text); }
  void Press(Qt::Key key) { QTest::keyClick(input, key); }
  QString Shown() const { return transcript->toPlainText(); }

  WindowSystem windows;
  LocalRooms* transport = nullptr;
  std::unique_ptr<ChatClient> client;
  std::unique_ptr<RoomWindowWidget> window;
  ChatInputLine* input = nullptr;
  QTextEdit* transcript = nullptr;
};

TEST_F(RoomWindowTest, ScreenshotOfARoomShowsEveryLineReadably) {
  emit transport->topicChanged("Lobby", "Music all <b>night</b> & day", "");
  const QString red = "<font face=\"arial\"><font color=#ff0000>";
  client->TypeLine(red + "\u2022 Morva MP3  [Multiple Strings Found]");
  for (int i = 0; i < 12; ++i)
    client->TypeLine(red + QString("\u2022  [%1) Track number %2 - Love Song.mp3]").arg(i).arg(i + 1));
  emit transport->memberJoined("Lobby", "Ann");
  client->SayAs("Ann", "I <3 this");
  client->SayAs("Ann", "<font color=#ffffff>white on white</font> <h1>big</h1> <b>bold</b> <u>under</u>");
  // An IRC member's background, as the IRC conversion writes it.
  client->SayAs("Ann", "<font color=#00007f back=#ffff00>blue on yellow</font> "
                       "<font color=#ffff00 back=#ffff00>yellow on yellow</font> <font back=#000000>on black</font>");
  emit transport->memberMarksChanged("Lobby", {"@Ann"});
  window->resize(720, 560);
  window->show();

  const QString shown = Shown();
  EXPECT_TRUE(shown.contains("The topic is: Music all <b>night</b> & day")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("Ann: I <3 this")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("-- Ann joined the room")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("Joe: \u2022  [11) Track number 12 - Love Song.mp3]")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("white on white <h1>big</h1> bold under")) << shown.toStdString();
  // Every line starts with its time.
  for (const QString& line : shown.split('\n'))
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d ").match(line).hasMatch()) << line.toStdString();
  // The background shows; a colour that would vanish on it is mended.
  std::map<QString, QTextCharFormat> formats;
  for (QTextBlock block = transcript->document()->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) formats[it.fragment().text()] = it.fragment().charFormat();
  ASSERT_TRUE(formats.count("blue on yellow") && formats.count("yellow on yellow") && formats.count("on black"));
  EXPECT_EQ(formats["blue on yellow"].background().color(), QColor(0xffff00));
  EXPECT_EQ(formats["blue on yellow"].foreground().color(), QColor(0x00007f));
  EXPECT_EQ(formats["yellow on yellow"].background().color(), QColor(0xffff00));
  EXPECT_NE(formats["yellow on yellow"].foreground().color(), QColor(0xffff00));
  EXPECT_EQ(formats["on black"].background().color(), QColor(0, 0, 0));
  EXPECT_GT(formats["on black"].foreground().color().lightness(), 90);
  const auto* members = window->findChild<QListWidget*>();
  ASSERT_EQ(members->count(), 2);
  EXPECT_EQ(members->item(0)->text(), "@Ann");
  EXPECT_EQ(members->item(1)->text(), "Joe");

  const QString folder = QString::fromStdString((TestFilesRoot() / "screenshots").string());
  QDir().mkpath(folder);
  const QString file = folder + "/room-window.png";
  EXPECT_TRUE(window->grab().save(file)) << file.toStdString();
}

TEST_F(RoomWindowTest, HostileLinesShowSafelyAndCut) {
  const QString megabyte = QString("x").repeated(1 << 20);
  client->SayAs("Eve", megabyte);
  client->SayAs("Eve", u"<font color=red>"_qs.repeated(10000) + "deep" + u"</b>"_qs.repeated(10000));
  client->SayAs("Eve", u"<b>"_qs.repeated(100000));
  client->SayAs("Eve", QString::fromUtf16(u"c0 [2J c1  end"));
  const QStringList shown = Shown().split('\n');
  ASSERT_EQ(shown.size(), 4);
  EXPECT_LT(shown[0].size(), RoomWindowWidget::kLongestShownLine + 100);
  EXPECT_TRUE(shown[0].endsWith("(1032192 more characters not shown)")) << shown[0].right(60).toStdString();
  // A line cut in its tags shows none of them, only the '<' of the tag cut.
  EXPECT_TRUE(shown[1].endsWith("Eve:  ... (183620 more characters not shown)")) << shown[1].toStdString();
  EXPECT_TRUE(shown[2].endsWith("Eve: < ... (283616 more characters not shown)")) << shown[2].toStdString();
  EXPECT_TRUE(shown[3].endsWith("Eve: c0   [2J c1    end")) << shown[3].toStdString();
}

TEST_F(RoomWindowTest, TabCompletesANameAndKeepsTheFocusAndUpBringsBackWhatWasSent) {
  client->SayAs("Annabel", "hi");
  client->SayAs("Ann", "hi");
  input->setFocus();
  Type("an");
  Press(Qt::Key_Tab);
  EXPECT_EQ(input->text(), "Ann: ");
  Press(Qt::Key_Tab);  // the next name that fits
  EXPECT_EQ(input->text(), "Annabel: ");
  EXPECT_EQ(window->focusWidget(), input);
  Type("hello");
  Press(Qt::Key_Return);
  EXPECT_EQ(client->Lines().back().text, "Annabel: hello");
  Type("thanks j");
  Press(Qt::Key_Tab);
  EXPECT_EQ(input->text(), "thanks Joe ");

  Press(Qt::Key_Up);
  EXPECT_EQ(input->text(), "Annabel: hello");
  Press(Qt::Key_Down);
  EXPECT_EQ(input->text(), "thanks Joe ");
}

TEST_F(RoomWindowTest, ClosingEndsTheClientAndAsksFirstWhileATrackPlays) {
  QString asked;
  bool answer = false;
  QString playing = "the track Night Drive";
  window->SetWhatClosingStops([&] { return playing; });
  window->SetCloseQuestion([&](const QString& question) {
    asked = question;
    return answer;
  });
  window->show();
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(asked.contains("the track Night Drive")) << asked.toStdString();
  EXPECT_TRUE(client->isRunning());

  answer = true;
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(client->isRunning());
}

TEST_F(RoomWindowTest, QuitTypedThereClosesTheClientAndTheWindow) {
  window->show();
  Type("/quit");
  Press(Qt::Key_Return);
  EXPECT_FALSE(client->isRunning());
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
