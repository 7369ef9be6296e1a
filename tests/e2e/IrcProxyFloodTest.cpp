// The owner's own client pastes 1,000 lines at once through the real
// program to a private InspIRCd on Debian's configuration, which throws off
// a client that sends them unpaced ("RecvQ exceeded").

#include <gtest/gtest.h>

#include <csignal>

#include <QElapsedTimer>
#include <QTcpSocket>

#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/InspircdServer.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"

namespace {

const QByteArray kProxyPassword = "owner-secret";

bool IsPasteLine(const QByteArray& line) { return line.startsWith(":Joe!") && line.contains(":paste line "); }

}  // namespace

TEST(IrcProxyFloodTest, APasteIsPacedSoTheServerKeepsTheOwnerAndMorvasAnswerGoesFirst) {
  InspircdServer server;
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer ann;
  ASSERT_TRUE(ann.Connect(server.host(), server.port(), "Ann")) << ann.error().toStdString();
  ASSERT_TRUE(ann.Join("#music")) << ann.error().toStdString();

  const ProgramFolder folder = MakeProgramFolder("irc-proxy-flood");
  ASSERT_TRUE(folder.problem.isEmpty()) << folder.problem.toStdString();
  const quint16 listen = IrcServer::FreePort();
  MorvaProcess morva;
  const QString url = "irc://" + server.host() + ":" + QString::number(server.port());
  ASSERT_TRUE(morva.StartProxy(folder.program, url, listen, QString::fromLatin1(kProxyPassword), folder.music));

  QTcpSocket owner;
  ASSERT_TRUE(WaitUntil([&] {
    owner.abort();
    owner.connectToHost("127.0.0.1", listen);
    return owner.waitForConnected(1000);
  }));
  QByteArray toOwner;
  const auto ownerGot = [&](const QByteArray& part) {
    return WaitUntil([&] { return (toOwner += owner.readAll()).contains(part); }, std::chrono::seconds(20));
  };
  owner.write("PASS :" + kProxyPassword + "\r\nNICK Joe\r\nUSER joe 0 * :Joe\r\n");
  ASSERT_TRUE(ownerGot(" 376 ")) << toOwner.toStdString() << server.log().toStdString();
  owner.write("JOIN #music\r\n");
  ASSERT_TRUE(ann.WaitForLine("Loaded By:Joe", 20000)) << toOwner.toStdString();

  QByteArray paste;
  for (int i = 1; i <= 1000; ++i) paste += "PRIVMSG #music :paste line " + QByteArray::number(i) + "\r\n";
  owner.write(paste + "PRIVMSG #music :.vol 40\r\n");
  QElapsedTimer sincePaste;
  sincePaste.start();

  // Morva reads the command as it comes and its answer goes ahead of the
  // paste still waiting.
  ASSERT_TRUE(ann.WaitForLine("Mp3 Volume At 40", 20000)) << ann.error().toStdString();
  qsizetype pastedBeforeAnswer = 0;
  for (const QByteArray& line : ann.Received()) {
    if (line.contains("Mp3 Volume At 40")) break;
    pastedBeforeAnswer += IsPasteLine(line);
  }
  EXPECT_LE(pastedBeforeAnswer, 10);

  // The paste goes at the pace: five at once, then about one a second, so
  // the tenth cannot arrive within four seconds of the first.
  ASSERT_TRUE(ann.WaitForLine(":paste line 10", 30000)) << ann.error().toStdString();
  EXPECT_GE(sincePaste.elapsed(), 4000);

  // The owner is still there, on both sides.
  ann.SendRaw("PING :still");
  ASSERT_TRUE(ann.WaitForLine("still"));
  for (const QByteArray& line : ann.Received()) EXPECT_FALSE(line.contains(" QUIT ")) << line.toStdString();
  toOwner += owner.readAll();
  EXPECT_FALSE(toOwner.contains("ERROR")) << toOwner.toStdString();
  EXPECT_FALSE(toOwner.contains("RecvQ exceeded"));
  EXPECT_FALSE(toOwner.contains("Excess Flood"));
  EXPECT_EQ(owner.state(), QAbstractSocket::ConnectedState);

  morva.Signal(SIGTERM);
  EXPECT_EQ(morva.WaitForExit(), 0);
}
