// The program on a private session bus, driven by Debian's playerctl as the
// desktop would drive it: every call runs the owner's command, with its line
// in the room, and every change reaches `playerctl --follow`.

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/DBusSession.h"
#include "tests/support/ProgramSuite.h"

namespace {

using e2e::kBullet;
using e2e::Morva;
const QString kPlayer = "morva";


class MprisTest : public ProgramSuite<MprisTest> {
 public:
  static constexpr const char* kFolderName = "mpris";
  static bool MakeMusic(const ProgramFolder& folder) {
    return WriteTaggedToneMp3(folder.music + "Alpha Song.mp3", 30, 440, "The Artist", "Blue Album");
  }

 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProgramSuite::SetUp());
    ASSERT_TRUE(bus_.problem().isEmpty()) << bus_.problem().toStdString();
  }

  // Starts the program on the private bus (or with the given environment) and
  // waits for its load.
  void Start(MorvaProcess& morva, QStringList arguments = {}, const QProcessEnvironment* environment = nullptr) {
    morva.SetEnvironment(environment ? *environment : bus_.Environment());
    morva.KeepErrors();
    ProgramSuite::Start(morva, std::move(arguments));
  }

  // Runs playerctl with the arguments; true once the room shows the line they lead to.
  bool Control(MorvaProcess& morva, const QStringList& arguments, const QByteArray& line) {
    bus_.Playerctl(kPlayer, arguments);
    return morva.WaitForLine(line);
  }

  // Runs playerctl until it prints `expected` (a change may still be on its
  // way); returns what it printed last.
  QByteArray Ask(const QStringList& arguments, const QByteArray& expected) {
    QByteArray answer;
    QDeadlineTimer deadline(10000);
    do {
      answer = bus_.Playerctl(kPlayer, arguments);
      if (answer == expected) break;
      QThread::msleep(20);
    } while (!deadline.hasExpired());
    return answer;
  }

  // Sends one call to the player's object with dbus-send; its exit status,
  // and what it printed in `reply` if asked.
  int Send(const QStringList& arguments, QByteArray* reply = nullptr) {
    QProcess send;
    send.setProcessEnvironment(bus_.Environment());
    send.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    send.start("dbus-send", QStringList{"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.morva",
                                        "/org/mpris/MediaPlayer2"} +
                                arguments);
    send.waitForFinished(15000);
    const QByteArray printed = send.readAllStandardOutput();
    if (reply) *reply = printed;
    return send.exitStatus() == QProcess::NormalExit ? send.exitCode() : -1;
  }

  // One property of the player interface as dbus-send prints it, its value last.
  QByteArray Property(const QString& name) {
    QByteArray reply;
    Send({"org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2.Player", "string:" + name}, &reply);
    return reply.simplified().split(' ').last();
  }

  DBusSession bus_;
};

TEST_F(MprisTest, PlayerctlRunsTheOwnersCommandsAndFollowsTheRoomsOwn) {
  MorvaProcess morva;
  Start(morva);
  ASSERT_EQ(Ask({"status"}, "Stopped"), "Stopped");
  PlayerctlFollower follower(bus_, kPlayer, {"status"});
  ASSERT_TRUE(follower.WaitForLine("Stopped"));

  // Nothing open: play-pause plays a track as ".r" does.
  ASSERT_TRUE(Control(morva, {"play-pause"}, Morva("Playing [Alpha Song]")));
  EXPECT_EQ(Ask({"status"}, "Playing"), "Playing");
  EXPECT_TRUE(follower.WaitForLine("Playing"));
  const QByteArray url = "file://" + QUrl::toPercentEncoding(root_->path() + "/music/Alpha Song.mp3", "/");
  EXPECT_EQ(bus_.Playerctl(kPlayer, {"metadata", "--format",
                                     "{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{xesam:url}}|{{mpris:length}}"}),
            "Alpha Song|The Artist|Blue Album|" + url + "|30000000");

  ASSERT_TRUE(Control(morva, {"volume", "0.5"}, Morva("Mp3 Volume At 50")));
  EXPECT_EQ(Ask({"volume"}, "0.500000"), "0.500000");

  ASSERT_TRUE(Control(morva, {"play-pause"}, Morva("MP3 Player Paused")));
  EXPECT_EQ(Ask({"status"}, "Paused"), "Paused");
  EXPECT_TRUE(follower.WaitForLine("Paused"));
  ASSERT_TRUE(Control(morva, {"play-pause"}, Morva("MP3 Player Unpaused")));
  EXPECT_EQ(Ask({"status"}, "Playing"), "Playing");
  EXPECT_TRUE(follower.WaitForLine("Playing"));

  // Another track as ".r" picks it: the only one there is.
  const QByteArray trackBefore = bus_.Playerctl(kPlayer, {"metadata", "mpris:trackid"});
  ASSERT_TRUE(Control(morva, {"next"}, Morva("Playing [Alpha Song]")));
  EXPECT_EQ(Ask({"status"}, "Playing"), "Playing");
  EXPECT_NE(bus_.Playerctl(kPlayer, {"metadata", "mpris:trackid"}), trackBefore);
  EXPECT_TRUE(follower.WaitForLine("Playing"));

  // The owner's own ".pause" in the room reaches the follower.
  morva.Type(".pause");
  ASSERT_TRUE(morva.WaitForLine(Morva("MP3 Player Paused")));
  ASSERT_TRUE(follower.WaitForLine("Paused"));

  ASSERT_TRUE(Control(morva, {"stop"}, Morva("MP3 Now Stopped")));
  EXPECT_EQ(Ask({"status"}, "Stopped"), "Stopped");
  EXPECT_TRUE(follower.WaitForLine("Stopped"));
  EXPECT_EQ(morva.errors(), "");
}

TEST_F(MprisTest, BadCallsGetTheAnswersOfTheInterfaceAndChangeNothing) {
  MorvaProcess morva;
  Start(morva);
  ASSERT_EQ(Ask({"status"}, "Stopped"), "Stopped");
  ASSERT_TRUE(Control(morva, {"play"}, Morva("Playing [Alpha Song]")));
  ASSERT_TRUE(Control(morva, {"pause"}, Morva("MP3 Player Paused")));
  const qsizetype roomLines = morva.lines().size();

  const QString player = "org.mpris.MediaPlayer2.Player";
  // playerctl quotes an object path.
  const QString trackId = QString::fromUtf8(bus_.Playerctl(kPlayer, {"metadata", "mpris:trackid"})).remove('\'');
  // Where the paused player rests once the chunk in flight is out.
  QByteArray paused;
  for (QByteArray last; paused.isEmpty() || paused != last; QThread::msleep(150)) {
    last = paused;
    paused = bus_.Playerctl(kPlayer, {"position"});
  }
  const QString position = player + ".SetPosition";
  // A stale track, a position past the end or before the start: ignored.
  EXPECT_EQ(Send({position, "objpath:/org/mpris/MediaPlayer2/morva/track/999", "int64:5000000"}), 0);
  EXPECT_EQ(Send({position, "objpath:" + trackId, "int64:31000000"}), 0);
  EXPECT_EQ(Send({position, "objpath:" + trackId, "int64:-1"}), 0);
  EXPECT_EQ(bus_.Playerctl(kPlayer, {"position"}), paused);
  // The current track, within it: moves there as the seek bar does.
  EXPECT_EQ(Send({position, "objpath:" + trackId, "int64:12000000"}), 0);
  EXPECT_EQ(Ask({"position"}, "12.000000"), "12.000000");
  // Seek before the start: the start.
  EXPECT_EQ(Send({player + ".Seek", "int64:-60000000"}), 0);
  EXPECT_EQ(Ask({"position"}, "0.000000"), "0.000000");

  // Volume: NaN changes nothing; below 0 is 0 and above 1 is 1, as ".vol" says.
  const QString properties = "org.freedesktop.DBus.Properties.Set";
  EXPECT_EQ(Send({properties, "string:" + player, "string:Volume", "variant:double:nan"}), 0);
  EXPECT_EQ(Send({properties, "string:" + player, "string:Volume", "variant:double:-0.3"}), 0);
  ASSERT_TRUE(morva.WaitForLine(Morva("Mp3 Volume At 0")));
  EXPECT_EQ(Send({properties, "string:" + player, "string:Volume", "variant:double:1.7"}), 0);
  ASSERT_TRUE(morva.WaitForLine(Morva("Mp3 Volume At 100")));
  EXPECT_EQ(Ask({"volume"}, "1.000000"), "1.000000");

  // No URI is opened, whatever it names.
  for (const QString& uri : QStringList{"file:///etc/passwd", "file://" + root_->path() + "/music/Alpha%20Song.mp3",
                             QString("http://127.0.0.1:1/x.mp3"), QString("\x01not a uri")}) {
    EXPECT_NE(Send({player + ".OpenUri", "string:" + uri}), 0) << uri.toStdString();
  }
  EXPECT_EQ(bus_.Playerctl(kPlayer, {"status"}), "Paused");

  // Seek past the end goes on to the next track, as ".r" does.
  EXPECT_EQ(Send({player + ".Seek", "int64:600000000"}), 0);
  ASSERT_TRUE(morva.WaitForLine(Morva("Playing [Alpha Song]")));

  // The room heard the two volume lines and the last "Playing", nothing else.
  const QList<QByteArray> after = morva.lines().mid(roomLines);
  EXPECT_EQ(after, (QList<QByteArray>{Morva("Mp3 Volume At 0"), Morva("Mp3 Volume At 100"),
                                      Morva("Playing [Alpha Song]")}));
  EXPECT_TRUE(morva.Running());
  EXPECT_EQ(morva.errors(), "");
}

TEST_F(MprisTest, WithoutABusOrWithTheNameTakenTheProgramRunsAndSaysSoOnce) {
  // No bus: silent, unless --mpris asked for it.
  QProcessEnvironment noBus = QProcessEnvironment::systemEnvironment();
  noBus.remove("DBUS_SESSION_BUS_ADDRESS");
  for (const bool asked : {false, true}) {
    MorvaProcess morva;
    Start(morva, asked ? QStringList{"--mpris"} : QStringList{}, &noBus);
    morva.Type(".exit");
    ASSERT_EQ(morva.WaitForExit(), 0);
    EXPECT_EQ(morva.errors(), asked ? "morva: MPRIS: no session bus (DBUS_SESSION_BUS_ADDRESS is unset)\n" : "")
        << "--mpris " << asked;
  }

  MorvaProcess first;
  Start(first);
  ASSERT_EQ(Ask({"status"}, "Stopped"), "Stopped");
  MorvaProcess second;
  Start(second);
  ASSERT_TRUE(second.WaitForErrorLine(
      "morva: MPRIS: org.mpris.MediaPlayer2.morva is taken (another Morva MP3 has it): the desktop's player "
      "controls reach that one"));
  MorvaProcess off;
  Start(off, {"--no-mpris"});
  // The first keeps the name and answers; the others run on.
  ASSERT_TRUE(Control(first, {"play"}, Morva("Playing [Alpha Song]")));
  second.Type(".exit");
  off.Type(".exit");
  EXPECT_EQ(second.WaitForExit(), 0);
  EXPECT_EQ(off.WaitForExit(), 0);
  EXPECT_EQ(second.errors().count('\n'), 1);
  EXPECT_EQ(off.errors(), "");
}

// Next, Previous, Shuffle and LoopStatus run ".skip", ".back", ".shuffle",
// ".xshuffle", ".repeat" and ".xrepeat", each with its line in the room, and
// CanGoPrevious tells whether there is a track to go back to.
TEST_F(MprisTest, NextPreviousShuffleAndLoopRunTheirCommands) {
  ProgramFolder folder = MakeProgramFolder("mpris-playon");
  ASSERT_TRUE(folder.problem.isEmpty()) << folder.problem.toStdString();
  ASSERT_TRUE(WriteToneMp3(folder.music + "Alpha Song.mp3", 30, 440) &&
              WriteToneMp3(folder.music + "Beta Song.mp3", 30, 523));
  MorvaProcess morva;
  morva.SetEnvironment(bus_.Environment());
  morva.KeepErrors();
  ASSERT_TRUE(morva.Start(folder.program, {"--audio", "null", "--screen-name", "Joe"}, folder.root->path() + "/music"));
  ASSERT_TRUE(morva.WaitForLine("Joe: " + kBullet + " Loaded By:Joe"));
  ASSERT_EQ(Ask({"shuffle"}, "Off"), "Off");
  EXPECT_EQ(Property("CanGoPrevious"), "false");
  EXPECT_EQ(Ask({"loop"}, "None"), "None");

  // Nothing plays: the shuffle starts at once.
  ASSERT_TRUE(Control(morva, {"shuffle", "on"}, Morva("MP3 Player \xC2\xB7 Shuffle is Now Enabled")));
  const std::optional<QByteArray> first = morva.WaitForLineStartingWith(Morva("Playing ["));
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(Ask({"shuffle"}, "On"), "On");

  bus_.Playerctl(kPlayer, {"next"});
  const std::optional<QByteArray> second = morva.WaitForLineStartingWith(Morva("Playing ["));
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(*second, *first);  // the round's other track
  EXPECT_EQ(Property("CanGoPrevious"), "true");

  ASSERT_TRUE(Control(morva, {"previous"}, *first));
  EXPECT_EQ(Property("CanGoPrevious"), "false");

  ASSERT_TRUE(Control(morva, {"loop", "track"}, Morva("MP3 Player \xC2\xB7 Repeat is Now Enabled")));
  EXPECT_EQ(Ask({"loop"}, "Track"), "Track");
  ASSERT_TRUE(Control(morva, {"loop", "none"}, Morva("Repeat is Now Disabled")));
  EXPECT_EQ(Ask({"loop"}, "None"), "None");

  // The owner's own ".xshuffle" reaches the desktop too.
  morva.Type(".xshuffle");
  ASSERT_TRUE(morva.WaitForLine(Morva("Shuffle is Now Disabled")));
  EXPECT_EQ(Ask({"shuffle"}, "Off"), "Off");
  morva.Type(".stop");
  morva.Type(".exit");
  EXPECT_EQ(morva.WaitForExit(), 0);
  EXPECT_EQ(morva.errors(), "");
}

}  // namespace
