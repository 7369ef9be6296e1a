// The chat client over TLS against a real ngircd with a certificate made for
// the test, and its SASL sign-in against a loopback server that plays the
// server's side of the exchange.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/win32/WindowSystem.h"
#include "tests/platform/chatclient/QuickIrcOptions.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"
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

// A loopback server that answers each line the client sends as the script
// says, and counts its connections.
class ScriptedServer {
 public:
  using Script = std::function<QList<QByteArray>(const QByteArray& received)>;

  explicit ScriptedServer(Script script) : script_(std::move(script)) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections;
        sockets_.emplace_back(socket);
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
          while (socket->canReadLine()) {
            const QByteArray line = socket->readLine().trimmed();
            received.push_back(line);
            for (const QByteArray& reply : script_(line)) socket->write(reply + "\r\n");
          }
        });
      }
    });
  }
  quint16 port() const { return server_.serverPort(); }

  int connections = 0;
  QList<QByteArray> received;

 private:
  Script script_;
  QTcpServer server_;
  std::vector<std::unique_ptr<QTcpSocket>> sockets_;
};

// The server's side of a SASL PLAIN exchange; `offers` is its CAP LS list and
// `verdict` what it says to the payload.
ScriptedServer::Script SaslServer(QByteArray offers, QList<QByteArray> verdict) {
  return [offers, verdict](const QByteArray& line) -> QList<QByteArray> {
    if (line == "CAP LS 302") return {":irc.test CAP * LS * :multi-prefix", ":irc.test CAP * LS :" + offers};
    if (line == "CAP REQ :sasl") return {":irc.test CAP * ACK :sasl"};
    if (line == "AUTHENTICATE PLAIN") return {"AUTHENTICATE +"};
    if (line.startsWith("AUTHENTICATE ") && line.size() < 13 + 400) return verdict;
    if (line == "CAP END") return {":irc.test 001 Joe :Welcome"};
    if (line == "JOIN #Lobby") return {":Joe!joe@h JOIN #Lobby"};
    return {};
  };
}

IrcOptions Sasl(quint16 port, QByteArray password) {
  IrcOptions options = QuickIrcOptions("127.0.0.1", port);
  options.registration = 500ms;
  options.saslAccount = "joe";
  options.saslPassword = std::move(password);
  return options;
}

// The payload the client sent, pieces joined, decoded.
QByteArray Payload(const QList<QByteArray>& received) {
  QByteArray base64;
  for (const QByteArray& line : received)
    if (line.startsWith("AUTHENTICATE ") && line != "AUTHENTICATE PLAIN" && line != "AUTHENTICATE +")
      base64 += line.mid(13);
  return QByteArray::fromBase64(base64);
}

TEST(IrcSaslTest, SignsInInPiecesAndOnlyThenRegisters) {
  struct Case {
    const char* what;
    qsizetype passwordBytes;
    int pieces;
    bool plusAfter;
  };
  for (const Case& c : {Case{"short", 6, 1, false}, Case{"two pieces", 500, 2, false},
                        Case{"exactly one piece", 290, 1, true}}) {
    ScriptedServer server(SaslServer("sasl=PLAIN,EXTERNAL", {":irc.test 900 Joe Joe!joe@h joe :logged in",
                                                              ":irc.test 903 Joe :SASL authentication successful"}));
    const QByteArray password(c.passwordBytes, 's');
    Joe joe(Sasl(server.port(), password));
    ASSERT_TRUE(joe.InLobby()) << c.what << "\n" << joe.Notices();
    EXPECT_EQ(Payload(server.received), QByteArray("joe\0joe\0", 8) + password) << c.what;
    int pieces = 0;
    for (const QByteArray& line : server.received) {
      if (!line.startsWith("AUTHENTICATE ") || line == "AUTHENTICATE PLAIN" || line == "AUTHENTICATE +") continue;
      ++pieces;
      EXPECT_LE(line.size() - 13, 400) << c.what;
    }
    EXPECT_EQ(pieces, c.pieces) << c.what;
    EXPECT_EQ(server.received.contains("AUTHENTICATE +"), c.plusAfter) << c.what;
    EXPECT_LT(server.received.indexOf("AUTHENTICATE PLAIN"), server.received.indexOf("CAP END")) << c.what;
    EXPECT_FALSE(server.received.contains("CAP REQ :echo-message"));
  }
}

TEST(IrcSaslTest, ARefusalNoSaslOrNonsenseEndsTheConnectionAndTriesAgain) {
  struct Case {
    const char* what;
    QByteArray offers;
    QList<QByteArray> verdict;
    const char* notice;
  };
  const QByteArray megabyte = "AUTHENTICATE " + QByteArray(1 << 20, 'A');
  for (const Case& c : {Case{"wrong password", "sasl", {":irc.test 904 Joe :SASL authentication failed"},
                             "SASL sign-in failed: SASL authentication failed"},
                        Case{"no SASL", "away-notify", {}, "offers no SASL"},
                        Case{"EXTERNAL only", "sasl=EXTERNAL", {}, "offers no SASL"},
                        Case{"a megabyte", "sasl", {megabyte}, "did not let us sign on in time"},
                        Case{"nonsense", "sasl", {"AUTHENTICATE what"}, "makes no sense"}}) {
    ScriptedServer server(SaslServer(c.offers, c.verdict));
    Joe joe(Sasl(server.port(), "hunter2"));
    ASSERT_TRUE(joe.Noticed(c.notice)) << c.what << "\n" << joe.Notices();
    ASSERT_TRUE(WaitUntil([&] { return server.connections >= 2; })) << c.what;
    EXPECT_FALSE(joe.client->isSignedOn()) << c.what;
    EXPECT_FALSE(server.received.contains("CAP END")) << c.what;
    for (const QString& notice : joe.notices) EXPECT_FALSE(notice.contains("hunter2")) << c.what;
  }
}

TEST(IrcTlsBadPeerTest, GarbageOrAHangUpInTheHandshakeIsANoticeAndARetry) {
  for (const bool garbage : {true, false}) {
    QTcpServer fake;
    ASSERT_TRUE(fake.listen(QHostAddress::LocalHost));
    int connections = 0;
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    QObject::connect(&fake, &QTcpServer::newConnection, [&] {
      while (QTcpSocket* socket = fake.nextPendingConnection()) {
        ++connections;
        sockets.emplace_back(socket);
        if (garbage) {
          socket->write(QByteArray(4096, '\x16') + "NOTICE * :not TLS at all\r\n");
        } else {
          QObject::connect(socket, &QTcpSocket::readyRead, socket, &QTcpSocket::abort);
        }
      }
    });
    IrcOptions options = QuickIrcOptions("127.0.0.1", fake.serverPort());
    options.tls = true;
    Joe joe(options);
    ASSERT_TRUE(WaitUntil([&] { return connections >= 3; })) << joe.Notices();
    EXPECT_FALSE(joe.client->isSignedOn());
    EXPECT_TRUE(joe.Noticed("lost")) << joe.Notices();
  }
}

}  // namespace
