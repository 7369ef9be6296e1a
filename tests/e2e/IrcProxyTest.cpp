// The owner's own IRC client (irssi) connects to the real program, which
// goes on to a private ngircd for it: the owner's commands typed in irssi
// are answered in his channel under his nick.

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

#include <QFile>
#include <QTcpSocket>

#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"
#include "tests/support/irc/IrssiClient.h"

namespace {

const QByteArray kPassword = "owner-secret";

// What a client that connects now is told before it is sent away.
QByteArray Refusal(quint16 port, const QByteArray& lines) {
  QTcpSocket socket;
  socket.connectToHost("127.0.0.1", port);
  if (!socket.waitForConnected(5000)) return "no connection";
  socket.write(lines);
  QByteArray received;
  WaitUntil([&] {
    received += socket.readAll();
    return socket.state() == QAbstractSocket::UnconnectedState;
  });
  return received + socket.readAll();
}

std::optional<QByteArray> NextFromJoe(IrcPeer& peer, const QByteArray& channel, int limitMs = 20000) {
  const QByteArray marker = " PRIVMSG " + channel + " :";
  auto line = peer.WaitForLine(
      [&](const QByteArray& l) { return l.startsWith(":Joe!") && l.contains(marker); }, limitMs);
  if (!line) return std::nullopt;
  return line->mid(line->indexOf(marker) + marker.size());
}

qsizetype Count(const QByteArray& haystack, const QByteArray& needle) { return haystack.count(needle); }

TEST(IrcProxyTest, TheOwnersOwnClientCommandsMorvaThroughItAndComesBackAfterARestart) {
  IrcServer server;
  server.Set("Limits", "MaxPenaltyTime", "0");
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer ann;
  ASSERT_TRUE(ann.Connect(server.host(), server.port(), "Ann"));
  ASSERT_TRUE(ann.Join("#music"));

  const ProgramFolder folder = MakeProgramFolder("irc-proxy-e2e");
  ASSERT_TRUE(folder.problem.isEmpty()) << folder.problem.toStdString();
  ASSERT_TRUE(WriteToneMp3(folder.music + "Alpha Song.mp3", 60, 440));

  const quint16 listen = IrcServer::FreePort();
  MorvaProcess morva;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("MORVA_PROXY_PASSWORD", QString::fromLatin1(kPassword));
  morva.SetEnvironment(environment);
  const QString url = "irc://" + server.host() + ":" + QString::number(server.port());
  ASSERT_TRUE(morva.Start(folder.program,
                          {"--irc", url, "--irc-listen", "127.0.0.1:" + QString::number(listen), "--audio", "null"},
                          folder.music));

  // Nothing reaches the network without the password.
  EXPECT_TRUE(WaitUntil([&] { return Refusal(listen, "PASS :wrong\r\nNICK Eve\r\nUSER e 0 * :E\r\n") != "no connection"; }));
  EXPECT_EQ(Refusal(listen, "PASS :wrong\r\nNICK Eve\r\nUSER e 0 * :E\r\n"), "ERROR :Closing link: wrong password\r\n");

  IrssiClient irssi;
  ASSERT_TRUE(irssi.Start(listen, kPassword, "Joe", "#music")) << irssi.error().toStdString();
  ASSERT_TRUE(morva.WaitForLine("*** Now in room #music", 20000)) << morva.output().toStdString() << irssi.Screen().toStdString();
  EXPECT_TRUE(NextFromJoe(ann, "#music").value_or("").contains("Morva MP3"));
  EXPECT_TRUE(NextFromJoe(ann, "#music").value_or("").contains("Loaded By:Joe"));

  // A stranger is told only that his password is wrong, and keeps nobody out.
  EXPECT_EQ(Refusal(listen, "PASS :wrong\r\n"), "ERROR :Closing link: wrong password\r\n");

  irssi.Type("/window goto #music");
  irssi.Type(".play alpha");
  EXPECT_EQ(NextFromJoe(ann, "#music"), ".play alpha");
  EXPECT_TRUE(NextFromJoe(ann, "#music").value_or("").contains("Playing [Alpha Song]"));
  EXPECT_TRUE(WaitUntil([&] { return irssi.Log("#music").contains("Playing [Alpha Song]"); }, std::chrono::seconds(10)))
      << irssi.Screen().toStdString();

  // What Morva tells the owner alone reaches his client from *morva, and
  // never the network.
  irssi.Type(".dir /not/there");
  irssi.Type("/window 1");
  EXPECT_TRUE(WaitUntil([&] { return irssi.Screen().contains("cannot show the directory /not/there"); },
                        std::chrono::seconds(10)))
      << irssi.Screen().toStdString();
  EXPECT_TRUE(irssi.Screen().contains("*morva")) << irssi.Screen().toStdString();
  irssi.Type("/window goto #music");

  // Another member's command is a line of the room and nothing more.
  ann.Say("#music", ".stop");
  ASSERT_TRUE(morva.WaitForLine("Ann: .stop"));

  irssi.Type(".pr back");
  ASSERT_TRUE(morva.WaitForLine("*** Now in room back", 20000)) << morva.output().toStdString();
  EXPECT_TRUE(WaitUntil([&] { return irssi.Log("#back").contains("has joined #back"); }, std::chrono::seconds(10)))
      << irssi.Screen().toStdString();

  // Seen once each: by Ann, and in the owner's own client.
  // Whatever the server sent Ann before her PONG has reached her.
  ann.SendRaw("PING :counted");
  ASSERT_TRUE(ann.WaitForLine("counted"));
  QByteArray annSaw;
  for (const QByteArray& line : ann.Received()) annSaw += line + "\n";
  EXPECT_EQ(Count(annSaw, "Playing [Alpha Song]"), 1);
  EXPECT_EQ(Count(annSaw, "Now Stopped"), 0);
  EXPECT_EQ(Count(annSaw, "cannot show the directory"), 0);
  EXPECT_EQ(Count(irssi.Log("#music"), "Playing [Alpha Song]"), 1);

  // A newer client with the password takes the place while strangers wait
  // for theirs, and the older one is told so; irssi takes it back by its
  // own reconnect.
  {
    std::vector<std::unique_ptr<QTcpSocket>> strangers;
    for (int i = 0; i < 10; ++i) {
      strangers.push_back(std::make_unique<QTcpSocket>());
      strangers.back()->connectToHost("127.0.0.1", listen);
      strangers.back()->write("NICK Eve\r\n");
    }
    QTcpSocket newer;
    newer.connectToHost("127.0.0.1", listen);
    ASSERT_TRUE(newer.waitForConnected(5000));
    newer.write("PASS :" + kPassword + "\r\nNICK Joe2\r\nUSER j 0 * :J\r\n");
    irssi.Type("/window 1");
    EXPECT_TRUE(WaitUntil([&] { return irssi.Screen().contains("another client gave the password and took over"); },
                          std::chrono::seconds(10)))
        << irssi.Screen().toStdString();
    irssi.Type("/window goto #music");
  }

  // The network restarts: irssi comes back through Morva by its own reconnect.
  server.Stop();
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer bob;
  ASSERT_TRUE(bob.Connect(server.host(), server.port(), "Bob"));
  ASSERT_TRUE(bob.Join("#music"));
  ASSERT_TRUE(bob.WaitForLine([](const QByteArray& l) { return l.startsWith(":Joe!") && l.contains(" JOIN "); }, 30000))
      << irssi.Screen().toStdString();
  irssi.Type("/window goto #music");
  irssi.Type(".stop");
  EXPECT_TRUE(NextFromJoe(bob, "#music").value_or("").contains(".stop"));
  EXPECT_TRUE(NextFromJoe(bob, "#music").value_or("").contains("Now Stopped"));

  // Ended by a signal, as by /quit: a QUIT with its reason to the network,
  // an ERROR down to irssi, and status 0.
  irssi.Type("/window 1");
  morva.Signal(SIGTERM);
  EXPECT_EQ(morva.WaitForExit(), 0);
  const auto quit = bob.WaitForLine([](const QByteArray& l) { return l.startsWith(":Joe!") && l.contains(" QUIT "); });
  EXPECT_TRUE(quit.value_or("").contains("Morva MP3 closed")) << quit.value_or("no QUIT").toStdString();
  EXPECT_TRUE(WaitUntil([&] { return irssi.Screen().contains("Closing link: Morva MP3 closed"); },
                        std::chrono::seconds(10)))
      << irssi.Screen().toStdString();
}

}  // namespace
