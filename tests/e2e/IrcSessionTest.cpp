// The real program on a real IRC server (a private ngircd), with other
// members in its channels.

#include <gtest/gtest.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/TestFolder.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"

namespace {

using e2e::kBullet;

const QByteArray kRed = "\x03" "04";

// The text of the next PRIVMSG to the channel that the member receives.
std::optional<QByteArray> NextSaid(IrcPeer& peer, const QByteArray& channel, int limitMs = 15000) {
  const QByteArray marker = " PRIVMSG " + channel + " :";
  auto line = peer.WaitForLine(marker, limitMs);
  if (!line) return std::nullopt;
  return line->mid(line->indexOf(marker) + marker.size());
}

TEST(IrcSessionTest, AnnouncesInTheChannelIgnoresOthersMovesRoomsAndSaysGoodbye) {
  IrcServer server;
  ASSERT_TRUE(server.Start()) << server.error().toStdString();
  IrcPeer ann;
  ASSERT_TRUE(ann.Connect(server.host(), server.port(), "Ann"));
  ASSERT_TRUE(ann.Join("#Lobby"));
  IrcPeer bob;
  ASSERT_TRUE(bob.Connect(server.host(), server.port(), "Bob"));
  ASSERT_TRUE(bob.Join("#back_room"));

  const ProgramFolder folder = MakeProgramFolder("irc-e2e");
  ASSERT_TRUE(folder.problem.isEmpty()) << folder.problem.toStdString();
  const QString& music = folder.music;
  ASSERT_TRUE(WriteToneMp3(music + "Alpha Song.mp3", 30, 440));
  ASSERT_TRUE(QFile::copy(music + "Alpha Song.mp3", music + "Evil\r\nQUIT :gone.mp3"));

  MorvaProcess morva;
  const QString url = "irc://" + server.host() + ":" + QString::number(server.port());
  ASSERT_TRUE(morva.Start(folder.program, {"--irc", url, "--screen-name", "Joe", "--audio", "null"}, music));
  ASSERT_TRUE(morva.WaitForLine("*** Now in room Lobby")) << morva.output().toStdString();

  // The load's lines reach the channel as IRC formatting.
  EXPECT_EQ(NextSaid(ann, "#Lobby"), kRed + kBullet + " Morva MP3 " + kBullet + " By: Morva " + kBullet + " [Public]");
  EXPECT_EQ(NextSaid(ann, "#Lobby"), kRed + kBullet + " Loaded By:Joe");

  morva.Type(".play alpha");
  EXPECT_EQ(NextSaid(ann, "#Lobby"), ".play alpha");
  EXPECT_EQ(NextSaid(ann, "#Lobby"), kRed + kBullet + " Morva MP3 " + kBullet + " Playing [Alpha Song]");

  // Another member's command is a line of the room and nothing more.
  ann.Say("#Lobby", ".stop");
  ASSERT_TRUE(morva.WaitForLine("Ann: .stop"));
  morva.Type("/as Ann .stop");
  ASSERT_TRUE(morva.WaitForLine("*** /as works only in the local room"));
  morva.Type(".play evil");
  ASSERT_TRUE(morva.WaitForLine("Joe: .play evil"));
  // Nothing came between Ann's line and the owner's next: she stopped nothing.
  const QList<QByteArray> lines = morva.lines();
  const qsizetype typed = lines.lastIndexOf("Joe: .play evil");
  ASSERT_GE(typed, 2);
  EXPECT_EQ(lines[typed - 1], "*** /as works only in the local room");
  EXPECT_EQ(lines[typed - 2], "Ann: .stop");

  // A file name cannot put a command on the wire.
  EXPECT_EQ(NextSaid(ann, "#Lobby"), ".play evil");
  EXPECT_EQ(NextSaid(ann, "#Lobby"), kRed + kBullet + " Morva MP3 " + kBullet + " MP3 Now Stopped");
  EXPECT_EQ(NextSaid(ann, "#Lobby"), kRed + kBullet + " Morva MP3 " + kBullet + " Playing [Evil  QUIT :gone]");

  morva.Type(".pr back room");
  ASSERT_TRUE(morva.WaitForLine("*** Now in room back room")) << morva.output().toStdString();
  EXPECT_EQ(NextSaid(bob, "#back_room"), kRed + kBullet + " Joe entered the room");
  EXPECT_TRUE(ann.WaitForLine([](const QByteArray& line) { return line.startsWith(":Joe!") && line.contains(" PART "); }));

  morva.Type(".stop");
  EXPECT_EQ(NextSaid(bob, "#back_room"), ".stop");
  EXPECT_EQ(NextSaid(bob, "#back_room"), kRed + kBullet + " Morva MP3 " + kBullet + " MP3 Now Stopped");
  morva.Type(".exit");
  EXPECT_EQ(morva.WaitForExit(), 0);
  // The last words leave before the program ends.
  EXPECT_EQ(NextSaid(bob, "#back_room"), ".exit");
  EXPECT_EQ(NextSaid(bob, "#back_room"), kRed + kBullet + " Morva MP3 " + kBullet + " By: Morva " + kBullet + " [Public]");
  EXPECT_EQ(NextSaid(bob, "#back_room"), kRed + kBullet + " Unloaded By:Joe");
  EXPECT_TRUE(bob.WaitForLine([](const QByteArray& line) { return line.startsWith(":Joe!") && line.contains(" QUIT "); }));
  EXPECT_TRUE(ann.connected());
}

TEST(IrcSessionTest, AnUnreadableAuthorityOrABadSignInIsAClearErrorAtStart) {
  struct Case {
    QStringList arguments;
    QByteArray sasl;
    QByteArray error;
  };
  for (const Case& c : {Case{{"--irc", "ircs://127.0.0.1", "--irc-ca", "/no/such/ca.pem"}, {},
                             "morva: --irc-ca: no PEM certificate can be read from /no/such/ca.pem\n"},
                        Case{{"--irc", "irc://127.0.0.1"}, "joe-without-password",
                             "morva: MORVA_IRC_SASL must hold account:password\n"},
                        Case{{"--irc", "irc://127.0.0.1", "--irc-listen", "10.1.2.3:6667"}, {},
                             "morva: --irc-listen: only a loopback address (127.0.0.1, ::1) can be used, not 10.1.2.3\n"},
                        Case{{"--irc-listen", "6667"}, {}, "morva: --irc-listen goes with --irc URL\n"},
                        Case{{"--irc", "http://127.0.0.1"}, {},
                             "morva: --irc takes irc://HOST[:PORT][/CHANNEL] or ircs://HOST[:PORT][/CHANNEL], not "
                             "http://127.0.0.1\n"}}) {
    QProcess morva;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!c.sasl.isEmpty()) environment.insert("MORVA_IRC_SASL", QString::fromUtf8(c.sasl));
    morva.setProcessEnvironment(environment);
    morva.start(MORVA_BINARY, c.arguments);
    ASSERT_TRUE(morva.waitForFinished(10000));
    EXPECT_EQ(morva.exitCode(), 2);
    EXPECT_EQ(morva.readAllStandardError(), c.error + "Try 'morva --help'.\n");
  }
}

}  // namespace
