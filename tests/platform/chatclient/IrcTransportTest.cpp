// The chat client on IRC: on a real server (a private ngircd, plain and
// TLS) with real second members, and on a scripted loopback server for what
// no real server does. Timings are shortened so that no test waits for
// seconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

#include <QTemporaryDir>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/win32/WindowSystem.h"
#include "src/aol/AolClient.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"
#include "tests/support/irc/ScriptedIrcServer.h"
#include "tests/support/irc/TestCertificates.h"

namespace {

using namespace std::chrono_literals;

// Retries, a kick's rejoin and the pacing of own lines in milliseconds.
IrcOptions Quick(const QString& host, quint16 port) {
  IrcOptions options;
  options.host = host;
  options.port = port;
  options.firstRetry = 50ms;
  options.longestRetry = 400ms;
  options.session.registration = 10s;
  options.session.rejoinAfterKick = 100ms;
  options.session.sendInterval = 20ms;
  return options;
}

// Joe's chat client on a network, the system's procedures to reach it, and
// every notice it gives.
struct Joe {
  explicit Joe(const IrcOptions& options) {
    ChatClientOptions chat;
    chat.screenName = "Joe";
    client = std::make_unique<ChatClient>(windows, chat, std::make_unique<IrcTransport>(options));
    QObject::connect(client.get(), &ChatClient::notice, [this](const QString& text) { notices.push_back(text); });
  }
  bool InLobby() { return WaitUntil([this] { return client->openRoomName() == "Lobby"; }); }
  bool Noticed(const QString& part, std::chrono::milliseconds limit = 10s) {
    return WaitUntil([&] { return std::any_of(notices.begin(), notices.end(), [&](const QString& n) { return n.contains(part); }); },
                     limit);
  }
  std::string Notices() const {
    std::string all;
    for (const QString& n : notices) all += n.toStdString() + "\n";
    return all;
  }

  WindowSystem windows;
  FakeRuntime runtime;
  AolClient aol{windows, runtime};
  std::unique_ptr<ChatClient> client;
  std::vector<QString> notices;
};

class IrcClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()) << server.error().toStdString(); }

  void StartJoe() {
    joe.emplace(Quick(server.host(), server.port()));
    ASSERT_TRUE(joe->InLobby()) << joe->Notices();
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

  IrcServer server;
  std::optional<Joe> joe;
};

TEST_F(IrcClientTest, AnnouncementsLeaveAsIrcFormattingAndOthersLinesArriveOnce) {
  StartJoe();
  IrcPeer ann;
  Seat(ann, "Ann");
  ASSERT_TRUE(WaitUntil([&] { return joe->client->Members().contains("Ann"); }));

  joe->aol.SendRoomLine(QString::fromUtf8("<font face=\"arial\"><font color=#ff0000>\u2022 Morva MP3 \u2022 Playing [x]"));
  EXPECT_EQ(NextSaid(ann), QByteArray("\x03" "04\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 Playing [x]"));
  // Shown at once, and once: the network does not echo it. (Ann's coming
  // is a line of the room's news before it.)
  const std::vector<ChatLine> before = joe->client->Lines();
  ASSERT_EQ(std::count_if(before.begin(), before.end(), [](const ChatLine& l) { return l.kind == ChatLine::Kind::Said; }),
            1);
  EXPECT_EQ(before.back().screenName, "Joe");

  std::vector<std::pair<QString, QString>> shown;
  QObject::connect(joe->client.get(), &ChatClient::lineShown,
                   [&](const QString& name, const QString& text) { shown.emplace_back(name, text); });
  QObject::connect(joe->client.get(), &ChatClient::roomNoticeShown, [&](const QString& text) { shown.emplace_back("", text); });
  ann.Say("#Lobby", "\x02.stop\x02 please <3");
  ann.Say("#Lobby", "\x01" "ACTION waves\x01");
  ann.Say("#Lobby", "caf\xE9");  // Latin-1 from an old client
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 3; }));
  // IRC text as the chat HTML that shows it, never read as HTML.
  EXPECT_EQ(shown[0], std::make_pair(QString("Ann"), QString("<b>.stop</b> please &lt;3")));
  EXPECT_EQ(shown[1], std::make_pair(QString(), QString("* Ann waves")));
  EXPECT_EQ(shown[2], std::make_pair(QString("Ann"), QString::fromUtf8("caf\u00e9")));
}

TEST_F(IrcClientTest, NoTextPutsACommandOnTheWireAndALongLineComesWhole) {
  StartJoe();
  IrcPeer ann;
  Seat(ann, "Ann");
  joe->aol.SendRoomLine("Playing [Evil\r\nQUIT :gone\r\nPRIVMSG #Lobby :owned]");
  EXPECT_EQ(NextSaid(ann), QByteArray("Playing [Evil  QUIT :gone  PRIVMSG #Lobby :owned]"));

  QString longLine;
  for (int i = 0; longLine.size() < 2000; ++i) longLine += QString::fromUtf8("w\u00f6rd%1 ").arg(i);
  longLine += "end";
  joe->aol.SendRoomLine("<b>" + longLine + "</b>");
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
  EXPECT_TRUE(joe->client->isSignedOn());
}

TEST_F(IrcClientTest, AFloodOfOwnLinesArrivesInOrderWithNothingDropped) {
  StartJoe();
  IrcPeer ann;
  Seat(ann, "Ann");
  for (int i = 0; i < 25; ++i) joe->client->TypeLine(QString("line %1").arg(i));
  for (int i = 0; i < 25; ++i) ASSERT_EQ(NextSaid(ann), QString("line %1").arg(i).toUtf8());
  EXPECT_TRUE(joe->client->isSignedOn());
}

TEST_F(IrcClientTest, ATakenNickIsTriedWithUnderscoresAndTheWelcomeFollowsIt) {
  IrcPeer first;
  ASSERT_TRUE(first.Connect(server.host(), server.port(), "Joe"));
  IrcPeer second;
  ASSERT_TRUE(second.Connect(server.host(), server.port(), "Joe_"));
  StartJoe();
  EXPECT_EQ(joe->aol.OwnScreenName(), "Joe__");
  EXPECT_TRUE(joe->client->Members().contains("Joe__"));
}

TEST_F(IrcClientTest, ARestartedServerIsJoinedAgainAndLinesWhileAwayAreRefusedAloud) {
  StartJoe();
  server.Stop();
  ASSERT_TRUE(WaitUntil([&] { return !joe->client->isSignedOn(); }));
  EXPECT_EQ(joe->aol.OwnScreenName(), "");
  // The room window stays; what is typed there is not lost without a word,
  // and the notice shows its text, not its HTML.
  joe->client->TypeLine("<b>anyone?</b>");
  EXPECT_EQ(joe->notices.back(), "Not connected: not sent: anyone?");

  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer ann;
  Seat(ann, "Ann");
  // Back in the room: whoever is there now is among its members.
  ASSERT_TRUE(WaitUntil([&] { return joe->client->isSignedOn() && joe->client->Members().contains("Ann"); })) << joe->Notices();
  EXPECT_EQ(joe->aol.OwnScreenName(), "Joe");
  EXPECT_EQ(std::count(joe->notices.begin(), joe->notices.end(), "Connected again, as Joe"), 1) << joe->Notices();
  joe->aol.SendRoomLine("back");
  EXPECT_EQ(NextSaid(ann), QByteArray("back"));
}

TEST_F(IrcClientTest, KickedTheOwnerGoesBackOnceAndARefusedRoomKeepsTheOldOne) {
  IrcPeer op;
  Seat(op, "Op");  // first in: the channel's operator
  StartJoe();
  op.SendRaw("KICK #Lobby Joe :out");
  ASSERT_TRUE(op.WaitForLine([](const QByteArray& line) { return line.startsWith(":Joe!") && line.contains(" JOIN "); },
                             3000))
      << joe->Notices();

  // ".pr" to a room the server refuses, or whose name cannot fit a line:
  // the arrival line typed right after is said nowhere.
  IrcPeer keeper;
  Seat(keeper, "Keeper", "#secret");
  keeper.SendRaw("MODE #secret +i");
  ASSERT_TRUE(keeper.WaitForLine(" MODE #secret +i"));
  for (const QString& room : {QString("secret"), QString(600, 'r')}) {
    joe->aol.EnterPrivateRoom(room);
    joe->aol.SendRoomLine("entered " + room.left(10));
    ASSERT_TRUE(WaitUntil([&] { return !joe->notices.empty() && joe->notices.back().startsWith("Not sent, "); })) << joe->Notices();
    EXPECT_EQ(joe->client->openRoomName(), "Lobby");
  }
  // Entered in time: the arrival line is said in the new room only.
  joe->aol.EnterPrivateRoom("back room");
  joe->aol.SendRoomLine("entered back room");
  ASSERT_TRUE(WaitUntil([&] { return joe->client->openRoomName() == "back room"; })) << joe->Notices();
  EXPECT_TRUE(op.WaitForLine(" PART #Lobby"));
  IrcPeer bea;
  Seat(bea, "Bea", "#back_room");
  joe->aol.SendRoomLine("in back room");
  EXPECT_EQ(NextSaid(bea, "#back_room"), QByteArray("in back room"));
  EXPECT_FALSE(op.WaitForLine(" PRIVMSG #Lobby :entered", 500));
  EXPECT_EQ(joe->client->RoomTitle(), "back room (#back_room)");
  EXPECT_TRUE(joe->client->isSignedOn()) << "the 600-byte name never reached the server";
}

class IrcTlsTest : public ::testing::Test {
 protected:
  // A TLS port with a certificate for these names, signed by the test's own authority.
  void StartServer(const QStringList& names) {
    QString problem;
    auto made = MakeTestCertificates(certificates.path(), names, &problem);
    ASSERT_TRUE(made) << problem.toStdString();
    files = *made;
    tlsPort = server.EnableTls(files.serverCert, files.serverKey);
    ASSERT_TRUE(server.Start()) << server.error().toStdString();
  }
  IrcOptions Tls(bool trustTheTestAuthority) {
    IrcOptions options = Quick(server.host(), tlsPort);
    options.tls = true;
    if (trustTheTestAuthority) options.extraAuthorities = QSslCertificate::fromPath(files.caCert);
    return options;
  }

  QTemporaryDir certificates;
  TestCertificates files;
  IrcServer server;
  quint16 tlsPort = 0;
};

TEST_F(IrcTlsTest, ATrustedCertificateConnectsAndComesBackAfterTheServerGoes) {
  StartServer({"127.0.0.1"});
  Joe joe(Tls(true));
  ASSERT_TRUE(joe.InLobby()) << joe.Notices();
  IrcPeer ann;
  ASSERT_TRUE(ann.Connect(server.host(), server.port(), "Ann"));
  ASSERT_TRUE(ann.Join("#Lobby"));
  joe.client->TypeLine("over TLS");
  EXPECT_TRUE(ann.WaitForLine(" PRIVMSG #Lobby :over TLS"));

  server.Stop();
  ASSERT_TRUE(WaitUntil([&] { return !joe.client->isSignedOn(); }));
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  EXPECT_TRUE(WaitUntil([&] { return joe.client->isSignedOn(); })) << joe.Notices();
}

TEST_F(IrcTlsTest, AWrongHostNameOrAnUnknownAuthorityIsRefusedAloudAndTriedAgain) {
  StartServer({"irc.example.org"});
  {
    Joe joe(Tls(true));
    ASSERT_TRUE(joe.Noticed("certificate is refused")) << joe.Notices();
    EXPECT_TRUE(joe.Noticed("host name")) << joe.Notices();
    EXPECT_TRUE(joe.Noticed("Connecting to", 2s));
    EXPECT_FALSE(joe.client->isSignedOn());
  }
  Joe stranger(Tls(false));
  ASSERT_TRUE(stranger.Noticed("certificate is refused")) << stranger.Notices();
  EXPECT_FALSE(stranger.client->isSignedOn());
}

// What a real server never does, from a scripted one: welcome and throw
// out at once, forever; say nothing to a TLS handshake; answer it with
// garbage or hang up.
TEST(IrcScriptedServerTest, AServerThatThrowsUsOutAtOnceGetsAGrowingWait) {
  ScriptedIrcServer server([](int) { return ":s 001 Joe :hi\r\nERROR :Closing link\r\n" + ScriptedIrcServer::kHangUp; });
  Joe joe(Quick("127.0.0.1", server.port()));  // 50 ms, doubled, up to 400 ms
  ASSERT_TRUE(WaitUntil([&] { return server.connections() >= 6; })) << joe.Notices();
  const auto& at = server.arrivals();
  // Each welcome used to start the backoff over: a connection every 50 ms.
  EXPECT_GE(at[5] - at[1], 50ms + 100ms + 200ms + 400ms - 20ms);
  EXPECT_EQ(std::count_if(joe.notices.begin(), joe.notices.end(), [](const QString& n) { return n.startsWith("Connecting to 127.0.0.1"); }),
            static_cast<long>(server.connections()));
}

// Every line heard moves the keepalive later; the timer set for the first is
// not set again for each, so it may wake early: then it must neither ping
// too soon nor forget to ping.
TEST(IrcScriptedServerTest, TheKeepaliveWaitsForSilenceAfterTheLastLineHeard) {
  using Clock = ScriptedIrcServer::Clock;
  std::optional<Clock::time_point> heard;
  ScriptedIrcServer server([](int) { return QByteArray(":s 001 Joe :hi\r\n"); },
                           [&](const QByteArray& line) {
                             if (line.startsWith("JOIN #Lobby")) return QByteArray(":Joe!j@h JOIN #Lobby\r\n");
                             if (!line.startsWith("PRIVMSG #Lobby")) return QByteArray();
                             heard = Clock::now();
                             return QByteArray(":Ann!a@h PRIVMSG #Lobby :heard\r\n");
                           });
  IrcOptions options = Quick("127.0.0.1", server.port());
  options.session.quietBeforePing = 300ms;
  Joe joe(options);
  ASSERT_TRUE(joe.InLobby()) << joe.Notices();
  auto pinged = [&] { return server.received().contains("PING :morva"); };
  for (int i = 0; i < 5; ++i) {
    const int answers = static_cast<int>(joe.client->Lines().size());
    joe.client->TypeLine("line " + QString::number(i));
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int>(joe.client->Lines().size()) >= answers + 2; }));
    WaitUntil([] { return false; }, 100ms);
  }
  EXPECT_FALSE(pinged()) << "a ping while the room talks";
  const Clock::time_point last = *heard;
  ASSERT_TRUE(WaitUntil(pinged, 3s)) << joe.Notices();
  // A coarse timer may fire up to 5% early.
  EXPECT_GE(Clock::now() - last, 300ms - 15ms);
}

TEST(IrcScriptedServerTest, ATlsHandshakeToAPlainPortIsNamedAndTriedAgain) {
  struct Case {
    const char* what;
    QByteArray greeting;
    const char* notice;
  };
  for (const Case& c : {Case{"silence", "", "did not answer the TLS handshake in 1 s; is port"},
                        Case{"garbage", QByteArray(4096, '\x16') + "NOTICE * :not TLS at all\r\n", "lost"},
                        Case{"a hang-up", ScriptedIrcServer::kHangUp, "lost"}}) {
    SCOPED_TRACE(c.what);
    ScriptedIrcServer server([&](int) { return c.greeting; });
    IrcOptions options = Quick("127.0.0.1", server.port());
    options.tls = true;
    options.handshakeSilence = 200ms;
    Joe joe(options);
    ASSERT_TRUE(WaitUntil([&] { return server.connections() >= 2; })) << joe.Notices();
    EXPECT_TRUE(joe.Noticed(c.notice)) << joe.Notices();
    EXPECT_FALSE(joe.client->isSignedOn());
  }
}

TEST(IrcUrlTest, TakesHostPortTlsAndAChannel) {
  struct Case {
    const char* url;
    const char* host;
    int port;  // 0: refused
    bool tls;
    const char* room;
  };
  for (const Case& c : {Case{"irc://irc.example.net", "irc.example.net", 6667, false, ""},
                        Case{"ircs://irc.example.net", "irc.example.net", 6697, true, ""},
                        Case{"irc://h:7000/#music", "h", 7000, false, "#music"},
                        Case{"ircs://h/music", "h", 6697, true, "music"},
                        Case{"http://h", "", 0, false, ""}, Case{"irc://", "", 0, false, ""}}) {
    QString error;
    const auto options = ParseIrcUrl(c.url, &error);
    ASSERT_EQ(options.has_value(), c.port != 0) << c.url << " " << error.toStdString();
    if (!options) continue;
    EXPECT_EQ(options->host, c.host);
    EXPECT_EQ(options->port, c.port);
    EXPECT_EQ(options->tls, c.tls);
    EXPECT_EQ(options->room, c.room);
  }
}

}  // namespace
