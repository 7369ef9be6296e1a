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
#include "tests/support/ProgramSuite.h"

namespace {

using e2e::kBullet;
using e2e::Morva;

const QByteArray kPlaying = Morva("Playing [");

class PlayOnTest : public ProgramSuite<PlayOnTest> {
 public:
  static constexpr const char* kFolderName = "playon";
  // One-second tracks: the continuation is heard in real time.
  static bool MakeMusic(const ProgramFolder& folder) {
    return WriteToneMp3(folder.music + "One.mp3", 1, 440) && WriteToneMp3(folder.music + "Two.mp3", 1, 523) &&
           WriteToneMp3(folder.music + "Three.mp3", 1, 659);
  }

 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProgramSuite::SetUp());
    Start(morva_);
  }

  void Say(const QByteArray& line, const QByteArray& reply) { ProgramSuite::Say(morva_, line, reply); }

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

  MorvaProcess morva_;
};

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
