// The chat client on a real IRC server (a private ngircd), with real second
// members. Timings are shortened so that no test waits for seconds.

#include <gtest/gtest.h>

#include <memory>

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
  ASSERT_EQ(client->Lines().size(), 1u);
  EXPECT_EQ(client->Lines()[0].screenName, "Joe");

  std::vector<std::pair<QString, QString>> shown;
  QObject::connect(client.get(), &ChatClient::lineShown,
                   [&](const QString& name, const QString& text) { shown.emplace_back(name, text); });
  QObject::connect(client.get(), &ChatClient::roomNoticeShown, [&](const QString& text) { shown.emplace_back("", text); });
  ann.Say("#Lobby", "\x02.stop\x02 please");
  ann.Say("#Lobby", "\x01" "ACTION waves\x01");
  ann.Say("#Lobby", "caf\xE9");  // Latin-1 from an old client
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 3; }));
  EXPECT_EQ(shown[0], std::make_pair(QString("Ann"), QString(".stop please")));
  EXPECT_EQ(shown[1], std::make_pair(QString(), QString("* Ann waves")));
  EXPECT_EQ(shown[2], std::make_pair(QString("Ann"), QString::fromUtf8("caf\u00e9")));
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

  // ".pr" to a room the server refuses, or whose name cannot fit a line:
  // the arrival line typed right after is said nowhere.
  IrcPeer keeper;
  Seat(keeper, "Keeper", "#secret");
  keeper.SendRaw("MODE #secret +i");
  ASSERT_TRUE(keeper.WaitForLine(" MODE #secret +i"));
  for (const QString& room : {QString("secret"), QString(600, 'r')}) {
    aol.EnterPrivateRoom(room);
    aol.SendRoomLine("entered " + room.left(10));
    ASSERT_TRUE(WaitUntil([&] { return !notices.empty() && notices.back().startsWith("Not sent, "); })) << Notices();
    EXPECT_EQ(client->openRoomName(), "Lobby");
  }
  // Entered in time: the arrival line is said in the new room only.
  aol.EnterPrivateRoom("back room");
  aol.SendRoomLine("entered back room");
  ASSERT_TRUE(WaitUntil([&] { return client->openRoomName() == "back room"; })) << Notices();
  EXPECT_TRUE(op.WaitForLine(" PART #Lobby"));
  IrcPeer bea;
  Seat(bea, "Bea", "#back_room");
  aol.SendRoomLine("in back room");
  EXPECT_EQ(NextSaid(bea, "#back_room"), QByteArray("in back room"));
  EXPECT_FALSE(op.WaitForLine(" PRIVMSG #Lobby :entered", 500));
  EXPECT_EQ(client->RoomTitle(), "back room (#back_room)");
  EXPECT_TRUE(client->isSignedOn()) << "the 600-byte name never reached the server";
}

}  // namespace
