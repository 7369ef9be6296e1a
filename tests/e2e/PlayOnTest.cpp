// The real program keeping the music going: a queue heard in order and a
// shuffle through the whole folder, each track announced as it starts with
// no command typed, and both ended by their own commands.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include <QTemporaryDir>

#include "tests/e2e/ConsoleLines.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"

namespace {

using e2e::kBullet;
using e2e::Morva;

const QByteArray kPlaying = Morva("Playing [");

class PlayOnTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ProgramFolder folder = MakeProgramFolder("playon");
    root_ = std::move(folder.root);
    program_ = folder.program;
    problem_ = folder.problem;
    // One-second tracks: the continuation is heard in real time.
    if (problem_.isEmpty() && (!WriteToneMp3(folder.music + "One.mp3", 1, 440) ||
                               !WriteToneMp3(folder.music + "Two.mp3", 1, 523) ||
                               !WriteToneMp3(folder.music + "Three.mp3", 1, 659)))
      problem_ = "cannot make MP3 files (is lame installed?)";
  }
  static void TearDownTestSuite() { root_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(problem_.isEmpty()) << problem_.toStdString();
    ASSERT_TRUE(morva_.Start(program_, {"--audio", "null", "--screen-name", "Joe"}, root_->path() + "/music"));
    ASSERT_TRUE(morva_.WaitForLine("Joe: " + kBullet + " Loaded By:Joe")) << morva_.output().toStdString();
  }

  void Say(const QByteArray& line, const QByteArray& reply) {
    morva_.Type(line);
    ASSERT_TRUE(morva_.WaitForLine(reply)) << "no reply " << reply.toStdString() << " to " << line.toStdString()
                                           << "\n" << morva_.output().toStdString();
  }

  // The titles announced playing, in order, after the line `after` (from the start when empty).
  QList<QByteArray> Announced(const QByteArray& after = {}) const {
    QList<QByteArray> titles;
    bool counting = after.isEmpty();
    for (const QByteArray& line : morva_.lines()) {
      if (line == after) counting = true;
      if (counting && line.startsWith(kPlaying)) titles.push_back(line.mid(kPlaying.size()).chopped(1));
    }
    return titles;
  }

  // Ends the program once the track that plays has ended: ".exit" is refused
  // while one plays. Its second's wait lets a wrongly started track show.
  void ExitOnceStopped() {
    for (int tries = 0; tries < 40; ++tries) {
      morva_.Type(".exit");
      if (morva_.WaitForLine(Morva("By: Morva " + kBullet + " [Public]"), 250)) {
        ASSERT_EQ(morva_.WaitForExit(), 0);
        return;
      }
    }
    FAIL() << "still playing: " << morva_.output().toStdString();
  }

  static std::unique_ptr<QTemporaryDir> root_;
  static QString program_;
  static QString problem_;
  MorvaProcess morva_;
};

std::unique_ptr<QTemporaryDir> PlayOnTest::root_;
QString PlayOnTest::program_;
QString PlayOnTest::problem_;

TEST_F(PlayOnTest, AQueueIsHeardInOrderWithoutACommandAndXqEndsIt) {
  const QByteArray dot = "\xC2\xB7";
  Say(".q one", Morva("Playing [One]"));
  // Paused while the queue is filled, so that a slow machine cannot let the
  // one-second track end first.
  Say(".pause", Morva("MP3 Player Paused"));
  Say(".q two", Morva("Queued [Two] " + dot + " 1 In Queue"));
  Say(".q three", Morva("Queued [Three] " + dot + " 2 In Queue"));
  Say(".xpause", Morva("MP3 Player Unpaused"));
  ASSERT_TRUE(morva_.WaitForLine(Morva("Playing [Two]")));
  ASSERT_TRUE(morva_.WaitForLine(Morva("Playing [Three]")));
  Say(".back", Morva("Playing [Two]"));
  Say(".pause", Morva("MP3 Player Paused"));
  Say(".skip", Morva("No MP3 To Skip To [Queue Empty, Shuffle Off]"));
  Say(".q one", Morva("Queued [One] " + dot + " 1 In Queue"));
  Say(".xq", Morva("MP3 Queue is Now Empty"));
  Say(".xpause", Morva("MP3 Player Unpaused"));
  ExitOnceStopped();
  EXPECT_EQ(Announced(), (QList<QByteArray>{"One", "Two", "Three", "Two"}));
}

TEST_F(PlayOnTest, ShuffleHearsEveryTrackOnceBeforeAnyRepeatsAndXshuffleEndsIt) {
  Say(".shuffle", Morva("MP3 Player \xC2\xB7 Shuffle is Now Enabled"));
  for (int heard = 0; heard < 6; ++heard)
    ASSERT_TRUE(morva_.WaitForLineStartingWith(kPlaying).has_value()) << morva_.output().toStdString();
  Say(".xshuffle", Morva("Shuffle is Now Disabled"));
  ExitOnceStopped();

  const QList<QByteArray> heard = Announced();
  ASSERT_GE(heard.size(), 6);
  EXPECT_EQ(std::set<QByteArray>(heard.begin(), heard.begin() + 3).size(), 3u) << heard.join(',').toStdString();
  EXPECT_EQ(std::set<QByteArray>(heard.begin() + 3, heard.begin() + 6).size(), 3u) << heard.join(',').toStdString();
  // What was playing at ".xshuffle" may end; nothing starts after it.
  EXPECT_TRUE(Announced(Morva("Shuffle is Now Disabled")).isEmpty()) << morva_.output().toStdString();
}

}  // namespace
