#include <gtest/gtest.h>

#include <csignal>

#include <memory>
#include <utility>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/ProgramSuite.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WaitUntil.h"

namespace {

using e2e::kBullet;
using e2e::Morva;

// All the bytes of a literal, NULs included.
template <std::size_t N>
QByteArray Bytes(const char (&literal)[N]) {
  return QByteArray(literal, N - 1);
}

QByteArray Joe(const QByteArray& text) { return "Joe: " + text; }
QByteArray Prompt() { return Joe(kBullet + " Morva MP3  [Type ''.play'' And 0 - 1 Or ''.cancel'']"); }
QByteArray ProductLine() { return Morva("By: Morva " + kBullet + " [Public]"); }

// Generated tunes, among them two that one word finds and a name with a line break.
class MorvaSessionTest : public ProgramSuite<MorvaSessionTest> {
 public:
  static constexpr const char* kFolderName = "e2e";
  static bool MakeMusic(const ProgramFolder& folder) {
    const QString music = folder.music;
    return WriteToneMp3(music + "Alpha Song.mp3", 65, 440) && WriteToneMp3(music + "Beta Love.mp3", 30, 523) &&
           QFile::copy(music + "Beta Love.mp3", music + "Gamma Love.mp3") &&
           QFile::copy(music + "Beta Love.mp3", music + "Odd\nLine.mp3");
  }

 protected:
  void Start(QStringList arguments = {}) { ProgramSuite::Start(morva_, std::move(arguments)); }
  void Say(const QByteArray& line, const QByteArray& reply) { ProgramSuite::Say(morva_, line, reply); }

  MorvaProcess morva_;
};

TEST_F(MorvaSessionTest, PlaysSetsVolumeTellsLengthMovesRoomAndExits) {
  Start();
  Say(".play alpha", Morva("Playing [Alpha Song]"));
  morva_.Type(".leng");
  const std::optional<QByteArray> length = morva_.WaitForLineStartingWith(Morva("Song Length : "));
  ASSERT_TRUE(length.has_value());
  ASSERT_EQ(*length, Morva("Song Length : 01:05"));
  Say(".vol 50", Morva("Mp3 Volume At 50"));
  Say("/as Ann .stop", "Ann: .stop");
  Say(".play love", Prompt());
  Say(".play 1", Morva("Now Playing [Gamma Love]"));
  Say(".stop", Morva("MP3 Now Stopped"));
  Say(".pr back room", Joe(kBullet + " Joe entered the room"));
  Say("/as Ann .exit", "Ann: .exit");
  morva_.Type(".exit");
  EXPECT_EQ(morva_.WaitForExit(), 0);

  const QByteArray expected = QList<QByteArray>{
      ProductLine(),
      Joe(kBullet + " Loaded By:Joe"),
      Joe(".play alpha"),
      Morva("Playing [Alpha Song]"),
      Joe(".leng"),
      Morva("Song Length : 01:05"),
      Joe(".vol 50"),
      Morva("Mp3 Volume At 50"),
      "Ann: .stop",
      Joe(".play love"),
      Morva("MP3 Now Stopped"),
      Joe(kBullet + " Morva MP3  [Multiple Strings Found]"),
      Joe(kBullet + "  [0) Beta Love.mp3]"),
      Joe(kBullet + "  [1) Gamma Love.mp3]"),
      Prompt(),
      Joe(".play 1"),
      Morva("Now Playing [Gamma Love]"),
      Joe(".stop"),
      Morva("MP3 Now Stopped"),
      Joe(".pr back room"),
      "*** Now in room back room",
      Joe(kBullet + " Joe entered the room"),
      "Ann: .exit",
      Joe(".exit"),
      ProductLine(),
      Joe(kBullet + " Unloaded By:Joe"),
  }.join('\n') + '\n';
  EXPECT_EQ(morva_.output().toStdString(), expected.toStdString());
}

TEST_F(MorvaSessionTest, FloodAndBadBytesDuringAListingLeaveOnlyRoomLines) {
  Start();
  Say(".play love", Joe(kBullet + " Morva MP3  [Multiple Strings Found]"));
  QByteArray flood;
  for (int i = 0; i < 10000; ++i) flood += "/as Bob .play " + QByteArray::number(i) + " <b>x</b>\n";
  flood += Bytes("bad \xFF\xFE bytes\n");
  flood += Bytes("nul\0byte\n");
  flood += "      \n\n";
  flood += QByteArray(1 << 20, 'm') + '\n';
  flood += Bytes("/as Eve \xC3(\x1B[2J\n");
  morva_.TypeRaw(flood);
  ASSERT_TRUE(morva_.WaitForLine(Prompt()));
  Say(".play 0", Morva("Now Playing [Beta Love]"));
  // Stopped first, so that what follows does not depend on the track still playing.
  Say(".stop", Morva("MP3 Now Stopped"));
  Say(".play odd", Morva("Playing [Odd Line]"));
  Say(".stop", Morva("MP3 Now Stopped"));
  morva_.Type(".exit");
  ASSERT_EQ(morva_.WaitForExit(), 0);

  const QByteArray output = morva_.output();
  EXPECT_EQ(QString::fromUtf8(output).toUtf8(), output) << "the output is not UTF-8";
  QList<QByteArray> joe;
  int bob = 0;
  for (const QByteArray& line : morva_.lines()) {
    if (line.startsWith("Bob: ")) {
      EXPECT_EQ(line, "Bob: .play " + QByteArray::number(bob) + " x");  // "<b>x</b>" as it reads
      ++bob;
    } else if (line.startsWith("Joe: ")) {
      joe.push_back(line);
    } else {
      EXPECT_EQ(line, "Eve: \xEF\xBF\xBD( [2J") << "not a room line";
    }
  }
  EXPECT_EQ(bob, 10000);
  // The owner's own bad lines are shown (repaired), never taken as commands.
  const QList<QByteArray> typed = {Joe("bad \xEF\xBF\xBD\xEF\xBF\xBD bytes"), Joe("nulbyte"),
                                   Joe(QByteArray(1 << 20, 'm'))};
  for (const QByteArray& line : typed) EXPECT_EQ(joe.count(line), 1);
  joe.removeIf([&](const QByteArray& line) { return typed.contains(line); });
  const QList<QByteArray> expected = {
      ProductLine(),
      Joe(kBullet + " Loaded By:Joe"),
      Joe(".play love"),
      Joe(kBullet + " Morva MP3  [Multiple Strings Found]"),
      Joe(kBullet + "  [0) Beta Love.mp3]"),
      Joe(kBullet + "  [1) Gamma Love.mp3]"),
      Prompt(),
      Joe(".play 0"),
      Morva("Now Playing [Beta Love]"),
      Joe(".stop"),
      Morva("MP3 Now Stopped"),
      Joe(".play odd"),
      Morva("Playing [Odd Line]"),
      Joe(".stop"),
      Morva("MP3 Now Stopped"),
      Joe(".exit"),
      ProductLine(),
      Joe(kBullet + " Unloaded By:Joe"),
  };
  EXPECT_EQ(joe.join('\n').toStdString(), expected.join('\n').toStdString());
}

// A first run as a launcher or a service gives it: no $USER, no CD. The owner
// is the account's own name, the CD commands tell the room the truth and the
// owner why, and standard error holds nothing but the program's own lines.
TEST_F(MorvaSessionTest, WithoutUserOrDiscTheOwnerIsTheAccountAndTheCdSaysWhy) {
  const passwd* account = getpwuid(geteuid());
  ASSERT_NE(account, nullptr);
  const QByteArray owner = account->pw_name;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("USER");
  environment.remove("LOGNAME");
  environment.remove("DBUS_SESSION_BUS_ADDRESS");
  morva_.SetEnvironment(environment);
  morva_.KeepErrors();
  const QString missing = root_->path() + "/no-such-disc.cue";
  ASSERT_TRUE(morva_.Start(program_, {"--audio", "null", "--no-mpris", "--cd", missing}, MusicPath()));
  const QByteArray said = owner + ": " + kBullet + " Morva MP3 " + kBullet + " ";
  ASSERT_TRUE(morva_.WaitForLine(owner + ": " + kBullet + " Loaded By:" + owner)) << morva_.output().toStdString();

  // Said once at start, and again by each command.
  const QByteArray cause = "morva: CD " + missing.toLocal8Bit() + ": No such file or directory; no disc";
  ASSERT_TRUE(morva_.WaitForErrorLine(cause)) << morva_.errors().toStdString();
  for (const auto& [command, reply] : std::vector<std::pair<QByteArray, QByteArray>>{
           {".playcd", "Now Playing Track (No CD Drive)"},
           {".next", "Track (No CD Drive)"},
           {".prev", "New Track (No CD Drive)"},
           {".stopcd", "Stopped Playing Track (No CD Drive)"}}) {
    const qsizetype told = morva_.errors().count(cause);
    morva_.Type(command);
    ASSERT_TRUE(morva_.WaitForLine(said + reply)) << command.toStdString();
    EXPECT_TRUE(WaitUntil([&] { return morva_.errors().count(cause) == told + 1; })) << morva_.errors().toStdString();
  }
  // Showing the file list once made Qt complain about its platform.
  morva_.Type(".viewmp3s");
  ASSERT_TRUE(morva_.WaitForLine(said + "Viewing MP3's"));
  morva_.Type("/quit");
  EXPECT_EQ(morva_.WaitForExit(), 0);
  for (const QByteArray& line : morva_.errors().split('\n'))
    EXPECT_TRUE(line.isEmpty() || line.startsWith("morva: ")) << line.toStdString();
}

TEST_F(MorvaSessionTest, QuitEndsTheProgramWithoutTheExitAnnouncement) {
  Start({"--room", "Den"});
  morva_.Type("/quit");
  EXPECT_EQ(morva_.WaitForExit(), 0);
  EXPECT_EQ(morva_.output(), ProductLine() + "\n" + Joe(kBullet + " Loaded By:Joe") + "\n");
}

// Ctrl-C, a logout or a service stop: the end of /quit, not a kill.
TEST_F(MorvaSessionTest, SigintAndSigtermEndTheProgramAsQuitDoes) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    MorvaProcess morva;
    ASSERT_NO_FATAL_FAILURE(ProgramSuite::Start(morva, {"--room", "Den"}));
    morva.Signal(signal);
    EXPECT_EQ(morva.WaitForExit(), 0);
    EXPECT_EQ(morva.output(), ProductLine() + "\n" + Joe(kBullet + " Loaded By:Joe") + "\n");
  }
}

}  // namespace
