#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>

#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"
#include "tests/support/irc/TestCertificates.h"

// Runs with an application object, as the chat client's tests do, so that
// the peers wait in a local event loop.
namespace {

constexpr int kLimitMs = 5000;

// True once the process has ended (a zombie counts), waiting on a pidfd.
bool EndsWithin(pid_t pid, int limitMs) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return errno == ESRCH;
  pollfd ended{fd, POLLIN, 0};
  const bool done = poll(&ended, 1, limitMs) == 1;
  close(fd);
  return done;
}

// The first line received with that command.
QByteArray FirstOf(const IrcPeer& peer, const QByteArray& command) {
  for (const QByteArray& line : peer.Received()) {
    if (IrcMessage::Parse(line).command == command) return line;
  }
  return {};
}

TEST(IrcServerTest, AMemberSeesAnotherMembersMessageAsItWasSent) {
  IrcServer server;
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer alice;
  IrcPeer bob;
  ASSERT_TRUE(alice.Connect(server.host(), server.port(), "alice")) << alice.error().toStdString();
  ASSERT_TRUE(bob.Connect(server.host(), server.port(), "bob")) << bob.error().toStdString();
  ASSERT_TRUE(alice.Join("#morva")) << alice.error().toStdString();
  ASSERT_TRUE(bob.Join("#morva")) << bob.error().toStdString();
  ASSERT_TRUE(alice.WaitForLine([](const QByteArray& line) {
    const IrcMessage message = IrcMessage::Parse(line);
    return message.command == "JOIN" && message.nick() == "bob";
  })) << "bob's JOIN, seen by alice: " << alice.error().toStdString();

  const QByteArray text = "play: \"Zaz – Je veux\" :) 100%";
  alice.Say("#morva", text);

  // Without ident or DNS lookups the member's address is its user and IP.
  const auto said = bob.WaitForLine(" PRIVMSG #morva ");
  ASSERT_TRUE(said.has_value()) << bob.error().toStdString();
  EXPECT_EQ(*said, ":alice!~alice@127.0.0.1 PRIVMSG #morva :" + text);
}

TEST(IrcServerTest, AStoppedServerStartsAgainOnTheSamePort) {
  IrcServer server;
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  const quint16 port = server.port();
  IrcPeer peer;
  ASSERT_TRUE(peer.Connect(server.host(), port, "carol")) << peer.error().toStdString();
  ASSERT_TRUE(peer.Join("#morva"));

  server.Stop();
  EXPECT_FALSE(server.running());
  EXPECT_FALSE(peer.WaitForLine("no line comes any more").has_value());
  EXPECT_FALSE(peer.connected());
  IrcPeer early;
  EXPECT_FALSE(early.Connect(server.host(), port, "early", 1000));

  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  EXPECT_EQ(server.port(), port);
  ASSERT_TRUE(peer.Connect(server.host(), port, "carol")) << peer.error().toStdString();
  // A new server: the channel is new, carol its only member and operator.
  ASSERT_TRUE(peer.Join("#morva"));
  EXPECT_TRUE(FirstOf(peer, "353").endsWith(" #morva :@carol")) << FirstOf(peer, "353").toStdString();
}

TEST(IrcServerTest, TwoServersInOneRunAreApartAndHaveTheirOwnLimits) {
  IrcServer first;
  IrcServer second;
  second.Set("Global", "Name", "irc2.test");
  second.SetMaxNickLength(20);
  ASSERT_TRUE(first.Start()) << first.error().toStdString();
  ASSERT_TRUE(second.Start()) << second.error().toStdString();
  EXPECT_NE(first.port(), second.port());

  IrcPeer onFirst;
  IrcPeer onSecond;
  ASSERT_TRUE(onFirst.Connect(first.host(), first.port(), "dave")) << onFirst.error().toStdString();
  ASSERT_TRUE(onSecond.Connect(second.host(), second.port(), "dave")) << onSecond.error().toStdString();
  EXPECT_TRUE(FirstOf(onFirst, "001").startsWith(":irc.test 001 dave "));
  EXPECT_TRUE(FirstOf(onSecond, "001").startsWith(":irc2.test 001 dave "));
  // Every 005 line has come by the end of the message of the day.
  ASSERT_TRUE(onFirst.WaitForMessage("376").has_value()) << onFirst.error().toStdString();
  ASSERT_TRUE(onSecond.WaitForMessage("376").has_value()) << onSecond.error().toStdString();
  EXPECT_EQ(onFirst.Supported("NICKLEN"), QByteArray("9"));
  EXPECT_EQ(onSecond.Supported("NICKLEN"), QByteArray("20"));
}

TEST(IrcServerTest, TheTlsPortShakesHandsWithACertificateOfTheTestAuthority) {
  QTemporaryDir certificates;
  QString error;
  const auto files = MakeTestCertificates(certificates.path(), {"localhost", "127.0.0.1"}, &error);
  ASSERT_TRUE(files.has_value()) << error.toStdString();
  IrcServer server;
  const quint16 tlsPort = server.EnableTls(files->serverCert, files->serverKey);
  ASSERT_NE(tlsPort, 0);
  ASSERT_TRUE(server.Start()) << server.error().toStdString();

  QSslSocket trusting;
  QSslConfiguration configuration = trusting.sslConfiguration();
  configuration.setCaCertificates(QSslCertificate::fromPath(files->caCert));
  trusting.setSslConfiguration(configuration);
  trusting.connectToHostEncrypted(server.host(), tlsPort, "localhost");
  ASSERT_TRUE(trusting.waitForEncrypted(kLimitMs)) << trusting.errorString().toStdString();
  EXPECT_TRUE(trusting.sslHandshakeErrors().isEmpty());
  trusting.write("NICK erin\r\nUSER erin 0 * :erin\r\n");
  QByteArray welcome;
  QDeadlineTimer deadline(kLimitMs);
  while (!welcome.contains(" 001 erin ") && trusting.waitForReadyRead(deadline.remainingTime())) {
    welcome += trusting.readAll();
  }
  EXPECT_TRUE(welcome.contains(":irc.test 001 erin ")) << welcome.toStdString();

  // Without the test authority the same certificate is not trusted.
  QSslSocket doubting;
  QSslConfiguration strict = doubting.sslConfiguration();
  strict.setCaCertificates({});
  doubting.setSslConfiguration(strict);
  doubting.connectToHostEncrypted(server.host(), tlsPort, "localhost");
  EXPECT_FALSE(doubting.waitForEncrypted(kLimitMs));
}

// The server must not outlive a test that crashes before its destructors.
TEST(IrcServerTest, ServerEndsWhenTheTestProcessDies) {
  // The dying test is this binary run again, as a child of this process; it
  // tells the server's pid and folder in a file named after its parent.
  // Its orphaned server comes to this process, which reaps it, rather than
  // to init, which may leave a zombie for a while.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const auto reportFor = [](pid_t testProcess) {
    return QDir::temp().filePath(QStringLiteral("morva-irc-death-%1.txt").arg(testProcess));
  };
  EXPECT_DEATH(
      {
        IrcServer server;
        QFile report(reportFor(getppid()));
        if (server.Start() && report.open(QIODevice::WriteOnly)) {
          QFile pid(server.dir() + "/ngircd.pid");
          pid.open(QIODevice::ReadOnly);
          report.write(pid.readAll().trimmed() + "\n" + QFile::encodeName(server.dir()));
          report.close();
        }
        raise(SIGKILL);
      },
      "");
  QFile report(reportFor(getpid()));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly)) << "the dying test's server did not start";
  const QList<QByteArray> told = report.readAll().split('\n');
  report.remove();
  ASSERT_EQ(told.size(), 2);
  const pid_t pid = told[0].toInt();
  ASSERT_GT(pid, 0);
  const bool ended = EndsWithin(pid, kLimitMs);
  if (!ended) kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(ended) << "ngircd " << pid << " outlived its test";
  prctl(PR_SET_CHILD_SUBREAPER, 0);
  QDir(QFile::decodeName(told[1])).removeRecursively();
}

}  // namespace
