#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>

#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"

namespace {

using e2e::kBullet;
using e2e::Morva;

const QByteArray kDot = "\xC2\xB7";

// The owner's collection as it lies on disk: artist and album folders, a
// name that two albums share, a track found only by its tags, and a link
// that leads back up the tree.
class CollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("collection");
    ASSERT_TRUE(folder_.problem.isEmpty()) << folder_.problem.toStdString();
    music_ = folder_.music;
    QDir().mkpath(music_ + "Artist One/Album A");
    QDir().mkpath(music_ + "Artist One/Album B");
    QDir().mkpath(music_ + "Misc");
    ASSERT_TRUE(WriteTaggedToneMp3(music_ + "Artist One/Album A/01 - Intro.mp3", 2, 440, "Artist One", "Album A"));
    ASSERT_TRUE(QFile::copy(music_ + "Artist One/Album A/01 - Intro.mp3", music_ + "Artist One/Album B/01 - Intro.mp3"));
    ASSERT_TRUE(WriteTaggedToneMp3(music_ + "Misc/track.mp3", 2, 523, "Zed Leppelin", "Hidden <b>Gems"));
    ASSERT_TRUE(QFile::link("..", music_ + "Misc/up"));
  }

  void Start(MorvaProcess& morva) {
    morva.KeepErrors();
    // The index goes to a cache folder of the test's own, never the user's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.insert("XDG_CACHE_HOME", folder_.root->path() + "/cache");
    morva.SetEnvironment(environment);
    ASSERT_TRUE(morva.Start(folder_.program, {"--audio", "null", "--screen-name", "Joe", "--no-mpris"}, music_));
    ASSERT_TRUE(morva.WaitForLine("Joe: " + kBullet + " Loaded By:Joe")) << morva.output().toStdString();
  }

  static void Say(MorvaProcess& morva, const QByteArray& line, const QByteArray& reply) {
    morva.Type(line);
    ASSERT_TRUE(morva.WaitForLine(reply)) << "no reply " << reply.toStdString() << " to " << line.toStdString()
                                          << "\n" << morva.output().toStdString() << morva.errors().toStdString();
  }

  // Types the line until it is answered so: a change on disk reaches the
  // list a moment after it is made. Gives up after 10 s.
  static void SayUntil(MorvaProcess& morva, const QByteArray& line, const QByteArray& reply) {
    QElapsedTimer waited;
    waited.start();
    QByteArray got;
    while (got != reply && waited.elapsed() < 10000) {
      morva.Type(line);
      got = morva.WaitForLineStartingWith("Joe: " + kBullet + " Morva MP3 ").value_or("");
    }
    EXPECT_EQ(got, reply) << line.toStdString() << "\n" << morva.errors().toStdString();
  }

  static void Quit(MorvaProcess& morva) {
    Say(morva, ".stop", Morva("MP3 Now Stopped"));
    morva.Type("/quit");
    EXPECT_EQ(morva.WaitForExit(), 0);
  }

  ProgramFolder folder_;
  QString music_;
};

TEST_F(CollectionTest, SubfoldersAreListedSearchedByTagAndToldApartAndTheSwitchIsKept) {
  const QByteArray music = QFile::encodeName(music_.chopped(1));
  {
    MorvaProcess morva;
    Start(morva);
    // Off: the room sees the folder's own files, the owner learns of the rest.
    Say(morva, ".dir " + music, Morva("Dir Is " + music));
    EXPECT_TRUE(morva.WaitForErrorLine("morva: the music folder " + music +
                                       " holds no MP3 files itself, but its subfolders hold 3; list them with .deep "
                                       "in the chat room or the deep switch at the end of the window's dir: row"))
        << morva.errors().toStdString();
    Say(morva, ".total", Morva("Total MP3s [0]"));

    Say(morva, ".deep", Morva("MP3 List " + kDot + " Subfolders are Now Enabled"));
    // Three, though the link back up leads to all of them again.
    Say(morva, ".total", Morva("Total MP3s [3]"));
    // By the artist's name, which only the tags hold.
    Say(morva, ".play zed leppelin", Morva("Playing [Misc/track]"));
    // A tag's markup is text like any other.
    Say(morva, ".play <B>gems", Morva("Playing [Misc/track]"));
    // Two tracks of one name, told apart by their folders.
    Say(morva, ".play intro", "Joe: " + kBullet + " Morva MP3  [Type ''.play'' And 0 - 1 Or ''.cancel'']");
    EXPECT_TRUE(morva.output().contains("Joe: " + kBullet + "  [0) Artist One/Album A/01 - Intro.mp3]\n" + "Joe: " +
                                        kBullet + "  [1) Artist One/Album B/01 - Intro.mp3]\n"));
    // A track added while the choice waits, in the list without .refresh,
    // takes nothing from the choice.
    ASSERT_TRUE(QFile::copy(music_ + "Misc/track.mp3", music_ + "Misc/new one.mp3"));
    SayUntil(morva, ".total", Morva("Total MP3s [4]"));
    Say(morva, ".play 1", Morva("Now Playing [Artist One/Album B/01 - Intro]"));
    // One piece: words of two fields do not match together.
    Say(morva, ".play zed gems", "Joe: " + kBullet + " Morva MP3  [No Strings Found]");
    Say(morva, ".play new one", Morva("Playing [Misc/new one]"));
    Say(morva, ".stop", Morva("MP3 Now Stopped"));

    // Renamed, removed, a folder of tracks moved in from outside.
    ASSERT_TRUE(QFile::rename(music_ + "Misc/new one.mp3", music_ + "Misc/renamed.mp3"));
    SayUntil(morva, ".play renamed", Morva("Playing [Misc/renamed]"));
    Say(morva, ".stop", Morva("MP3 Now Stopped"));
    ASSERT_TRUE(QFile::remove(music_ + "Misc/renamed.mp3"));
    SayUntil(morva, ".total", Morva("Total MP3s [3]"));
    const QString outside = folder_.root->path() + "/Artist Two";
    QDir().mkpath(outside + "/Album C");
    ASSERT_TRUE(QFile::copy(music_ + "Misc/track.mp3", outside + "/Album C/song c.mp3"));
    ASSERT_TRUE(QDir().rename(outside, music_ + "Artist Two"));
    SayUntil(morva, ".total", Morva("Total MP3s [4]"));
    Say(morva, ".play song c", Morva("Playing [Artist Two/Album C/song c]"));
    Quit(morva);
  }
  // Added while Morva was not running: the list comes from the index at
  // once (its tags too), and the file is found by the check that follows.
  ASSERT_TRUE(QFile::copy(music_ + "Misc/track.mp3", music_ + "Misc/while away.mp3"));
  {
    MorvaProcess morva;
    Start(morva);
    // The check runs in the background: the count says when it is done.
    SayUntil(morva, ".total", Morva("Total MP3s [5]"));
    morva.Type(".play zed leppelin");
    ASSERT_TRUE(morva.WaitForLineStartingWith("Joe: " + kBullet + " Morva MP3  [Type ''.play'' And 0 - "))
        << morva.output().toStdString();
    Say(morva, ".cancel", "Joe: .cancel");
    Say(morva, ".play while away", Morva("Playing [Misc/while away]"));
    Say(morva, ".xdeep", Morva("MP3 List " + kDot + " Subfolders are Now Disabled"));
    Say(morva, ".total", Morva("Total MP3s [0]"));
    Quit(morva);
  }
}

}  // namespace
