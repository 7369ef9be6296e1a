// Slash commands typed in either front end of the chat client (the console
// and the room window), on a private ngircd, with raw second members who
// record every line they receive.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QLineEdit>
#include <QTest>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/ChatInputLine.h"
#include "platform/chatclient/Console.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/chatclient/RoomWindowWidget.h"
#include "platform/win32/WindowSystem.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"

namespace {

using namespace std::chrono_literals;

enum class FrontEnd { Console, RoomWindow };

// Own lines paced in milliseconds.
IrcOptions QuickPacing(const QString& host, quint16 port) {
  IrcOptions options;
  options.host = host;
  options.port = port;
  options.session.sendInterval = 20ms;
  return options;
}

class SlashCommandsTest : public ::testing::TestWithParam<FrontEnd> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start()) << server.error().toStdString();
    ChatClientOptions chat;
    chat.screenName = "Joe";
    chat.room = "Lobby";
    client = std::make_unique<ChatClient>(windows, chat,
                                          std::make_unique<IrcTransport>(QuickPacing(server.host(), server.port())));
    QObject::connect(client.get(), &ChatClient::notice, [this](const QString& text) { notices.push_back(text); });
    ASSERT_TRUE(WaitUntil([this] { return client->openRoomName() == "Lobby"; }));
    for (auto [peer, nick] : {std::pair{&ann, "Ann"}, std::pair{&bob, "Bob"}}) {
      ASSERT_TRUE(peer->Connect(server.host(), server.port(), nick)) << peer->error().toStdString();
      ASSERT_TRUE(peer->Join("#Lobby")) << peer->error().toStdString();
    }
    ASSERT_TRUE(WaitUntil([this] { return client->Members().size() == 3; }));
    if (GetParam() == FrontEnd::Console) {
      console = std::make_unique<Console>(*client, nullptr, nullptr);
      type = [this](const QString& line) { console->HandleInputLine(line.toUtf8()); };
    } else {
      window = std::make_unique<RoomWindowWidget>(*client);
      auto* input = window->findChild<ChatInputLine*>();
      ASSERT_NE(input, nullptr);
      type = [input](const QString& line) {
        QTest::keyClicks(input, line);
        QTest::keyClick(input, Qt::Key_Return);
      };
    }
  }

  // Whether the peer received a line holding the text, up to now.
  static bool Heard(const IrcPeer& peer, const QByteArray& text) {
    for (const QByteArray& line : peer.Received())
      if (line.contains(text)) return true;
    return false;
  }

  IrcServer server;
  WindowSystem windows;
  std::unique_ptr<ChatClient> client;
  std::unique_ptr<Console> console;
  std::unique_ptr<RoomWindowWidget> window;
  std::function<void(const QString&)> type;
  IrcPeer ann;
  IrcPeer bob;
  std::vector<QString> notices;
};

TEST_P(SlashCommandsTest, PrivateLinesReachTheirTargetAloneAndUnknownCommandsNobody) {
  type("/msg Ann sure, <b>Kino</b> is next <3");
  type("/bogus do not send this");
  type("/me dances");
  type("//slash at the start");
  type("done");
  for (IrcPeer* peer : {&ann, &bob})
    ASSERT_TRUE(peer->WaitForLine("PRIVMSG #Lobby :done", 15000)) << peer->error().toStdString();

  // The private line leaves as IRC text, to Ann alone.
  EXPECT_TRUE(Heard(ann, " PRIVMSG Ann :sure, \x02Kino\x02 is next <3"));
  EXPECT_FALSE(Heard(bob, "Kino"));
  // The unknown command is refused here and reaches nobody.
  EXPECT_FALSE(Heard(ann, "bogus") || Heard(bob, "bogus"));
  ASSERT_FALSE(notices.empty());
  EXPECT_TRUE(std::any_of(notices.begin(), notices.end(), [](const QString& n) { return n.contains("/bogus"); }));
  // An action arrives as one; a doubled slash says the line with one.
  for (IrcPeer* peer : {&ann, &bob}) {
    EXPECT_TRUE(Heard(*peer, " PRIVMSG #Lobby :\x01" "ACTION dances\x01"));
    EXPECT_TRUE(Heard(*peer, " PRIVMSG #Lobby :/slash at the start"));
  }

  // Shown here: the private line as sent, the action as an action.
  std::vector<ChatLine::Kind> kinds;
  for (const ChatLine& line : client->Lines()) kinds.push_back(line.kind);
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), ChatLine::Kind::Private), kinds.end());
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), ChatLine::Kind::Action), kinds.end());

  // What others do arrives as the room's news and actions.
  bob.SendRaw("PRIVMSG #Lobby :\x01" "ACTION waves back\x01");
  bob.SendRaw("TOPIC #Lobby :Kino tonight");
  bob.SendRaw("NICK Bobby");
  ASSERT_TRUE(WaitUntil([&] { return client->Members().contains("Bobby"); }));
  QStringList seen;
  for (const ChatLine& line : client->Lines())
    if (line.kind != ChatLine::Kind::Said) seen.push_back(line.screenName + "|" + line.text);
  EXPECT_TRUE(seen.contains("|* Bob waves back")) << seen.join('\n').toStdString();
  EXPECT_TRUE(seen.contains("|Bob changed the topic to: Kino tonight")) << seen.join('\n').toStdString();
  EXPECT_TRUE(seen.contains("|Bob is now known as Bobby")) << seen.join('\n').toStdString();

  // A new name for the owner, on the network.
  type("/nick Joey");
  EXPECT_TRUE(ann.WaitForLine(" NICK :Joey"));
  EXPECT_TRUE(WaitUntil([&] { return client->screenName() == "Joey"; }));
  // Told in the room as the room's news, once.
  const std::vector<ChatLine> lines = client->Lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const ChatLine& line) {
                            return line.kind == ChatLine::Kind::Event && line.text == "You are now known as Joey";
                          }),
            1);
}

INSTANTIATE_TEST_SUITE_P(BothFrontEnds, SlashCommandsTest, ::testing::Values(FrontEnd::Console, FrontEnd::RoomWindow),
                         [](const auto& info) {
                           return std::string(info.param == FrontEnd::Console ? "Console" : "RoomWindow");
                         });

}  // namespace
