// The chat client over TLS against a real ngircd with a certificate made for
// the test, and against a scripted loopback server for what no real server
// does.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <QTemporaryDir>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/win32/WindowSystem.h"
#include "tests/platform/chatclient/QuickIrcOptions.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"
#include "tests/support/irc/ScriptedIrcServer.h"
#include "tests/support/irc/TestCertificates.h"

namespace {

using namespace std::chrono_literals;


// Joe's client, with every notice it gives.
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
  std::unique_ptr<ChatClient> client;
  std::vector<QString> notices;
};

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
    IrcOptions options = QuickIrcOptions(server.host(), tlsPort);
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
  Joe joe(QuickIrcOptions("127.0.0.1", server.port()));  // 50 ms, doubled, up to 400 ms
  ASSERT_TRUE(WaitUntil([&] { return server.connections() >= 6; })) << joe.Notices();
  const auto& at = server.arrivals();
  // Each welcome used to start the backoff over: a connection every 50 ms.
  EXPECT_GE(at[5] - at[1], 50ms + 100ms + 200ms + 400ms - 20ms);
  EXPECT_EQ(std::count_if(joe.notices.begin(), joe.notices.end(), [](const QString& n) { return n.startsWith("Connecting to 127.0.0.1"); }),
            static_cast<long>(server.connections()));
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
    IrcOptions options = QuickIrcOptions("127.0.0.1", server.port());
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
