// The proxy's sockets on loopback: the owner's client, a scripted network,
// the chat client's side on the test's thread and the signed-in client's
// socket on the relay's thread.

#include <gtest/gtest.h>

#include <memory>

#include "platform/chatclient/proxy/IrcProxyTransport.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/ScriptedIrcServer.h"

namespace {

QByteArray Network(const QByteArray& line) {
  if (line.startsWith("USER ")) return ":irc.test 001 Joe :Welcome\r\n";
  if (line == "JOIN #music") return ":Joe!joe@host JOIN #music\r\n:irc.test 366 Joe #music :End of NAMES\r\n";
  return {};
}

// The proxy, its network, and what the chat client heard, in order.
struct Proxy {
  explicit Proxy(int burst) : network([](int) { return QByteArray(); }, Network) {
    irc::ProxySessionOptions options;
    options.password = "secret";
    options.burst = burst;
    options.interval = std::chrono::milliseconds(20);
    transport = std::make_unique<IrcProxyTransport>(irc::IrcEndpoint{"127.0.0.1", network.port(), false, {}}, options);
    listening = transport->Listen(QHostAddress::LocalHost, 0, nullptr);
    QObject::connect(transport.get(), &ChatTransport::lineArrived,
                     [this](const QString& room, const QString& nick, const QString& text) {
                       heard.push_back(room + " <" + nick + "> " + text);
                     });
    QObject::connect(transport.get(), &ChatTransport::notice, [this](const QString& text) { heard.push_back("*** " + text); });
  }
  bool Connect(IrcPeer& client) {
    client.SetPassword("secret");
    return client.Connect("127.0.0.1", transport->port(), "Joe") && client.Join("#music");
  }
  bool Heard(const QString& what) {
    if (WaitUntil([&] { return heard.contains(what); })) return true;
    ADD_FAILURE() << "the chat client heard: " << heard.join('\n').toStdString();
    return false;
  }
  bool Received(const QByteArray& line) {
    if (WaitUntil([&] { return network.received().contains(line); })) return true;
    ADD_FAILURE() << "the network had: " << network.received().join('\n').toStdString();
    return false;
  }
  ScriptedIrcServer network;
  std::unique_ptr<IrcProxyTransport> transport;
  bool listening = false;
  QStringList heard;
};

}  // namespace

// The lines that go up from the relay at once and those the pace holds
// back never pass one another; the password never goes up; the chat client
// reads each of the owner's lines, and Morva's own go up with a copy down.
TEST(IrcProxyTransportTest, ThePastedLinesGoUpInOrderAndMorvaReadsEach) {
  Proxy proxy(3);
  ASSERT_TRUE(proxy.listening);
  IrcPeer client;
  ASSERT_TRUE(proxy.Connect(client)) << client.error().toStdString();

  for (int i = 0; i < 10; ++i) {
    if (i == 4) client.SendRaw("PASS :secret");
    client.Say("#music", ".line " + QByteArray::number(i));
  }
  ASSERT_TRUE(proxy.Received("PRIVMSG #music :.line 9"));
  QList<QByteArray> said;
  for (const QByteArray& line : proxy.network.received()) {
    EXPECT_FALSE(line.startsWith("PASS")) << line.toStdString();
    if (line.startsWith("PRIVMSG #music :.line ")) said.push_back(line);
  }
  ASSERT_EQ(said.size(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(said[i], "PRIVMSG #music :.line " + QByteArray::number(i));
  ASSERT_TRUE(proxy.Heard("#music <Joe> .line 9"));
  EXPECT_EQ(proxy.heard.filter("<Joe> .line").size(), 10);

  proxy.transport->Say("#music", "Playing song");
  EXPECT_TRUE(proxy.Received("PRIVMSG #music :Playing song"));
  EXPECT_TRUE(client.WaitForLine(":Joe!joe@host PRIVMSG #music :Playing song"));
  proxy.transport->TellOwner("the folder is not there");
  EXPECT_TRUE(client.WaitForLine(":*morva!morva@morva NOTICE Joe :the folder is not there"));
  for (const QByteArray& line : proxy.network.received()) EXPECT_FALSE(line.contains("*morva")) << line.toStdString();
}

// A client that gives the password takes over from the one before, which is
// told; one that leaves takes its network connection with it; and the end
// of the program signs off the client there is.
TEST(IrcProxyTransportTest, ClientsComeAndGoAndTheEndSignsOff) {
  Proxy proxy(5);
  ASSERT_TRUE(proxy.listening);
  auto first = std::make_unique<IrcPeer>();
  ASSERT_TRUE(proxy.Connect(*first)) << first->error().toStdString();
  IrcPeer second;
  ASSERT_TRUE(proxy.Connect(second)) << second.error().toStdString();
  EXPECT_TRUE(first->WaitForLine("ERROR :Closing link: another client gave the password and took over"));
  EXPECT_TRUE(proxy.Received("QUIT :Another client took over"));
  EXPECT_EQ(proxy.network.connections(), 2);
  second.Say("#music", "hello");
  EXPECT_TRUE(proxy.Received("PRIVMSG #music :hello"));
  EXPECT_TRUE(proxy.Heard("#music <Joe> hello"));

  first.reset();
  {
    IrcPeer third;
    ASSERT_TRUE(proxy.Connect(third)) << third.error().toStdString();
  }
  EXPECT_TRUE(proxy.Heard("*** Your IRC client left"));
  EXPECT_TRUE(proxy.Received("QUIT :Client closed the connection"));

  IrcPeer last;
  ASSERT_TRUE(proxy.Connect(last)) << last.error().toStdString();
  proxy.transport.reset();
  EXPECT_TRUE(proxy.Received("QUIT :Morva MP3 closed"));
  EXPECT_TRUE(last.WaitForLine("ERROR :Closing link: Morva MP3 closed"));
}
