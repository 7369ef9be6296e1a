// The chat client on a real IRC server (a private ngircd), with real second
// members. Timings are shortened so that no test waits for seconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <QTcpServer>
#include <QTcpSocket>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/win32/WindowSystem.h"
#include "src/aol/AolClient.h"
#include "tests/support/FakeRuntime.h"
#include "tests/platform/chatclient/QuickIrcOptions.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"

namespace {

using namespace std::chrono_literals;


// Joe's chat client on a network, and a way to follow what it says.
class IrcClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()) << server.error().toStdString(); }

  void StartJoe(const QString& screenName = "Joe", IrcOptions options = {}) {
    if (options.host.isEmpty()) options = QuickIrcOptions(server.host(), server.port());
    ChatClientOptions chat;
    chat.screenName = screenName;
    chat.room = "Lobby";
    client = std::make_unique<ChatClient>(windows, chat, std::make_unique<IrcTransport>(options));
    QObject::connect(client.get(), &ChatClient::notice, [this](const QString& text) { notices.push_back(text); });
    ASSERT_TRUE(WaitUntil([this] { return client->openRoomName() == "Lobby"; })) << Notices();
  }

  // A member in #Lobby, there before Joe's next line.
  void Seat(IrcPeer& peer, const QByteArray& nick, const QByteArray& channel = "#Lobby") {
    ASSERT_TRUE(peer.Connect(server.host(), server.port(), nick)) << peer.error().toStdString();
    ASSERT_TRUE(peer.Join(channel)) << peer.error().toStdString();
  }

  // The text of the next PRIVMSG to the channel that the peer receives.
  std::optional<QByteArray> NextSaid(IrcPeer& peer, const QByteArray& channel = "#Lobby") {
    const QByteArray marker = " PRIVMSG " + channel + " :";
    // The server lets a burst through at once, then about three lines a second.
    auto line = peer.WaitForLine(marker, 15000);
    if (!line) return std::nullopt;
    return line->mid(line->indexOf(marker) + marker.size());
  }

  std::string Notices() const {
    std::string all;
    for (const QString& n : notices) all += n.toStdString() + "\n";
    return all;
  }

  IrcServer server;
  WindowSystem windows;
  FakeRuntime runtime;
  AolClient aol{windows, runtime};
  std::unique_ptr<ChatClient> client;
  std::vector<QString> notices;
};

TEST_F(IrcClientTest, AnnouncementsLeaveAsIrcFormattingAndOthersLinesArriveOnce) {
  StartJoe();
  IrcPeer ann;
  Seat(ann, "Ann");
  ASSERT_TRUE(WaitUntil([&] { return client->Members().contains("Ann"); }));

  aol.SendRoomLine(QString::fromUtf8("<font face=\"arial\"><font color=#ff0000>\u2022 Morva MP3 \u2022 Playing [x]"));
  EXPECT_EQ(NextSaid(ann), QByteArray("\x03" "04\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 Playing [x]"));
  // Shown at once, and once: the network does not echo it.
  const std::vector<ChatLine> before = client->Lines();
  ASSERT_EQ(before.back().screenName, "Joe");
  EXPECT_EQ(std::count_if(before.begin(), before.end(), [](const ChatLine& l) { return l.kind == ChatLine::Kind::Said; }),
            1);

  std::vector<std::pair<QString, QString>> shown;
  QObject::connect(client.get(), &ChatClient::lineShown,
                   [&](const QString& name, const QString& text) { shown.emplace_back(name, text); });
  ann.Say("#Lobby", "\x02.stop\x02 please <3");
  ann.Say("#Lobby", "\x01" "ACTION waves\x01");
  ann.Say("#Lobby", "caf\xE9");  // Latin-1 from an old client
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 2; }));
  // IRC text as the chat HTML that shows it; never read as HTML.
  EXPECT_EQ(shown[0], std::make_pair(QString("Ann"), QString("<b>.stop</b> please &lt;3")));
  EXPECT_EQ(shown[1], std::make_pair(QString("Ann"), QString::fromUtf8("caf\u00e9")));
  // The action is a line of the room, not a line said.
  const std::vector<ChatLine> lines = client->Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2].kind, ChatLine::Kind::Action);
  EXPECT_EQ(lines[lines.size() - 2].text, "waves");
}

TEST_F(IrcClientTest, NoTextPutsACommandOnTheWireAndALongLineComesWhole) {
  StartJoe();
  IrcPeer ann;
  Seat(ann, "Ann");
  aol.SendRoomLine("Playing [Evil\r\nQUIT :gone\r\nPRIVMSG #Lobby :owned]");
  EXPECT_EQ(NextSaid(ann), QByteArray("Playing [Evil  QUIT :gone  PRIVMSG #Lobby :owned]"));

  QString longLine;
  for (int i = 0; longLine.size() < 2000; ++i) longLine += QString::fromUtf8("w\u00f6rd%1 ").arg(i);
  longLine += "end";
  aol.SendRoomLine("<b>" + longLine + "</b>");
  QByteArray joined;
  int pieces = 0;
  while (joined.size() < longLine.toUtf8().size()) {
    auto piece = NextSaid(ann);
    ASSERT_TRUE(piece) << "after " << pieces << " pieces: " << joined.size() << " of " << longLine.toUtf8().size();
    ++pieces;
    ASSERT_TRUE(piece->startsWith('\x02')) << "the bold goes on in every piece";
    joined += irc::StripIrcFormatting(QString::fromUtf8(*piece)).toUtf8();
  }
  EXPECT_GE(pieces, 5);
  EXPECT_EQ(joined, longLine.toUtf8());
  EXPECT_TRUE(ann.connected());
  EXPECT_TRUE(client->isSignedOn());
}

TEST_F(IrcClientTest, AFloodOfOwnLinesArrivesInOrderWithNothingDropped) {
  StartJoe();
  IrcPeer ann;
  Seat(ann, "Ann");
  for (int i = 0; i < 25; ++i) client->TypeLine(QString("line %1").arg(i));
  for (int i = 0; i < 25; ++i) ASSERT_EQ(NextSaid(ann), QString("line %1").arg(i).toUtf8());
  EXPECT_TRUE(client->isSignedOn());
}

TEST_F(IrcClientTest, ATakenNickIsTriedWithUnderscoresAndTheWelcomeFollowsIt) {
  IrcPeer first;
  ASSERT_TRUE(first.Connect(server.host(), server.port(), "Joe"));
  IrcPeer second;
  ASSERT_TRUE(second.Connect(server.host(), server.port(), "Joe_"));
  StartJoe();
  EXPECT_EQ(aol.OwnScreenName(), "Joe__");
  EXPECT_TRUE(client->Members().contains("Joe__"));
}

TEST_F(IrcClientTest, ARestartedServerIsJoinedAgainAndLinesWhileAwayAreRefusedAloud) {
  StartJoe();
  server.Stop();
  ASSERT_TRUE(WaitUntil([&] { return !client->isSignedOn(); }));
  EXPECT_EQ(aol.OwnScreenName(), "");
  // The room window stays; what is typed there is not lost without a word.
  client->TypeLine("anyone?");
  EXPECT_EQ(notices.back(), "Not connected: not sent: anyone?");

  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer ann;
  Seat(ann, "Ann");
  // Back in the room: whoever is there now is among its members.
  ASSERT_TRUE(WaitUntil([&] { return client->isSignedOn() && client->Members().contains("Ann"); })) << Notices();
  EXPECT_EQ(aol.OwnScreenName(), "Joe");
  EXPECT_TRUE(std::count(notices.begin(), notices.end(), "Connected again, as Joe") == 1) << Notices();
  aol.SendRoomLine("back");
  EXPECT_EQ(NextSaid(ann), QByteArray("back"));
}

TEST_F(IrcClientTest, KickedTheOwnerGoesBackOnceAndARefusedRoomKeepsTheOldOne) {
  IrcPeer op;
  Seat(op, "Op");  // first in: the channel's operator
  StartJoe();
  op.SendRaw("KICK #Lobby Joe :out");
  ASSERT_TRUE(op.WaitForLine([](const QByteArray& line) { return line.startsWith(":Joe!") && line.contains(" JOIN "); },
                             3000))
      << Notices();

  IrcPeer keeper;
  Seat(keeper, "Keeper", "#secret");
  keeper.SendRaw("MODE #secret +i");
  ASSERT_TRUE(keeper.WaitForLine(" MODE #secret +i"));
  aol.EnterPrivateRoom("secret");
  ASSERT_TRUE(WaitUntil([&] { return !notices.empty() && notices.back().startsWith("Could not enter room secret: "); }))
      << Notices();
  EXPECT_EQ(client->openRoomName(), "Lobby");
  aol.EnterPrivateRoom("back room");
  ASSERT_TRUE(WaitUntil([&] { return client->openRoomName() == "back room"; })) << Notices();
  EXPECT_TRUE(op.WaitForLine(" PART #Lobby"));
  EXPECT_EQ(client->RoomTitle(), "back room (#back_room)");
}

// A server that is not one: whatever it sends is at most a notice, and the
// client keeps trying.
TEST(IrcBadServerTest, GarbageSilenceAndBrokenMessagesAreSurvived) {
  QTcpServer fake;
  ASSERT_TRUE(fake.listen(QHostAddress::LocalHost));
  std::vector<std::unique_ptr<QTcpSocket>> accepted;
  int connections = 0;
  bool pinged = false;
  QObject::connect(&fake, &QTcpServer::newConnection, [&] {
    while (QTcpSocket* socket = fake.nextPendingConnection()) {
      accepted.emplace_back(socket);
      // The first connection hears nonsense and is then left silent; the
      // next is welcomed and fed broken messages.
      if (++connections == 1) {
        socket->write(QByteArray("\x00\xff garbage\r\n", 13) + QByteArray(1 << 20, 'x'));
        continue;
      }
      // Once in, the server falls silent and never answers the keepalive.
      QObject::connect(socket, &QTcpSocket::readyRead, [&pinged, socket] { pinged |= socket->readAll().contains("PING"); });
      socket->write(":irc.test 001 Joe\r\n"
                    ":irc.test 353\r\n:irc.test 366\r\n:irc.test 433\r\n:irc.test 005 Joe NICKLEN=\r\n"
                    ":Ann!a@h PRIVMSG #elsewhere :not for us\r\n"
                    ":!@ PRIVMSG #Lobby :no nick\r\nPRIVMSG #Lobby :no prefix\r\n: PRIVMSG\r\n"
                    ":Joe!u@h JOIN #Lobby\r\n:Ann!a@h PRIVMSG #Lobby :hello\r\nPING\r\nKICK\r\n");
    }
  });
  IrcOptions options = QuickIrcOptions("127.0.0.1", fake.serverPort());
  options.registration = 300ms;
  options.quietBeforePing = 200ms;
  options.pingAnswer = 200ms;
  WindowSystem windows;
  ChatClientOptions chat;
  chat.screenName = "Joe";
  ChatClient client(windows, chat, std::make_unique<IrcTransport>(options));
  std::vector<QString> shown;
  QObject::connect(&client, &ChatClient::lineShown, [&](const QString&, const QString& text) { shown.push_back(text); });
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 1; }, 10s));
  EXPECT_EQ(shown[0], "hello");
  EXPECT_EQ(connections, 2);
  EXPECT_EQ(client.openRoomName(), "Lobby");
  ASSERT_TRUE(WaitUntil([&] { return connections == 3; }, 10s)) << "the silence was not taken for a lost connection";
  EXPECT_TRUE(pinged);
}

}  // namespace
