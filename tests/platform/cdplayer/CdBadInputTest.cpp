#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/cdplayer/DiscImage.h"
#include "tests/support/RecordingSink.h"
#include "tests/platform/cdplayer/ToneAnalysis.h"
#include "platform/cdplayer/CdPlayer.h"

using namespace cdtest;

namespace {

// Every role, twice over, in an order that also opens and closes the tray;
// the player has no disc before and after, says so in its track text, and
// each of play, next, previous and stop tells the owner why: `cause` is in
// each of those lines.
void ExpectNoDiscThroughEveryRole(CdPlayer& cd, const QString& trackText, const std::string& cause) {
  EXPECT_EQ(cd.CurrentTrack(), trackText);
  for (int round = 0; round < 2; ++round) {
    ::testing::internal::CaptureStderr();
    cd.Play();
    EXPECT_FALSE(cd.IsPlaying());
    cd.NextTrack();
    cd.PreviousTrack();
    cd.Stop();
    const std::string told = ::testing::internal::GetCapturedStderr();
    // A drive's worker answers the last round's eject in its own time, so
    // its line may come in this one: it is not one of the four.
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = told.find(cause, at)) != std::string::npos; at += cause.size()) {
      const std::string line = told.substr(at, told.find('\n', at) - at);
      if (!line.ends_with("the tray does not open")) ++lines;
    }
    EXPECT_EQ(lines, 4u) << told;
    cd.OpenTray();
    cd.CloseTray();
    EXPECT_EQ(cd.CurrentTrack(), trackText);
  }
}

class BadImage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshDir(std::string("bad_") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  // An image or a path that holds no disc; by default, one that names a file
  // of some kind.
  void ExpectNoDisc(const std::string& path, const QString& trackText = "(No Disc)",
                    const std::string& cause = "; no disc") {
    auto log = std::make_shared<AudioRecording>();
    CdPlayer cd(MakeRecordingSinkFactory(log), path);
    ExpectNoDiscThroughEveryRole(cd, trackText, cause);
    EXPECT_TRUE(log->Events().empty());
  }
  std::string dir_;
};

TEST_F(BadImage, CueNamingAMissingBin) {
  WriteFile(dir_ + "/disc.cue", CueText("gone.bin", ThreeTones()));
  ExpectNoDisc(dir_ + "/disc.cue");
  // Even when a BIN named like the sheet lies beside it.
  WriteBytes(dir_ + "/disc.bin", ToneBytes(ThreeTones()));
  ExpectNoDisc(dir_ + "/disc.cue");
}

TEST_F(BadImage, TruncatedBin) {
  const std::string cue = WriteCueImage(dir_, "disc", ThreeTones());
  std::filesystem::resize_file(dir_ + "/disc.bin", 2352 * 200 + 1000);  // cut inside a sector
  ExpectNoDisc(cue);
  std::filesystem::resize_file(dir_ + "/disc.bin", 2352 * 100);  // ends before track 3 starts
  ExpectNoDisc(cue);
  std::filesystem::resize_file(dir_ + "/disc.bin", 0);
  ExpectNoDisc(cue);
}

// Each sheet in turn, under the one name: no disc.
TEST_F(BadImage, CueWithGarbageLines) {
  WriteBytes(dir_ + "/disc.bin", ToneBytes(ThreeTones()));
  const std::string sheets[] = {CueText("disc.bin", ThreeTones()) + "this is not a cue sheet\n",
                                std::string("FILE \"disc.bin\" BINARY\n\x01\x02\xff garbage\n", 34),
                                "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 99:99:99\n",
                                "FILE \"disc.bin\" BINARY\n", ""};
  for (const std::string& sheet : sheets) {
    SCOPED_TRACE(sheet);
    WriteFile(dir_ + "/disc.cue", sheet);
    ExpectNoDisc(dir_ + "/disc.cue");
  }
}

TEST_F(BadImage, TocWithoutTracks) {
  // The last two: a name that never ends, and one far too long for any file system.
  const std::string tocs[] = {"CD_DA\n", "CD_DA\nTRACK AUDIO\nFILE \"missing.bin\" 0 00:01:00\n",
                              "CD_DA\nTRACK AUDIO\nFILE \"" + std::string(100000, 'x'),
                              "CD_DA\nTRACK AUDIO\nFILE \"" + std::string(100000, 'x') + "\" 0 00:01:00\n"};
  for (const std::string& toc : tocs) {
    SCOPED_TRACE(toc.substr(0, 60));
    WriteFile(dir_ + "/disc.toc", toc);
    ExpectNoDisc(dir_ + "/disc.toc");
  }
}

TEST_F(BadImage, PathsThatAreNoDisc) {
  WriteFile(dir_ + "/notes.txt", "hello\n");
  ExpectNoDisc(dir_ + "/notes.txt", "(No CD Drive)", "notes.txt: not a drive or a disc image; no disc");
  WriteBytes(dir_ + "/noise.iso", std::vector<unsigned char>(5000, 0xab));
  ExpectNoDisc(dir_ + "/noise.iso", "(No CD Drive)", "noise.iso: not a drive or a disc image; no disc");
  ExpectNoDisc(dir_, "(No CD Drive)", "not a drive or a disc image; no disc");
  ExpectNoDisc(dir_ + "/nothing-here.cue", "(No CD Drive)", "nothing-here.cue: No such file or directory; no disc");
  ExpectNoDisc("", "(No CD Drive)", "CD: no drive found; name a drive or a disc image with --cd");
  // A drive is read on the player's worker: "still reading" or the reason.
  ExpectNoDisc("/dev/morva-no-such-drive", "(No Disc)", "CD /dev/morva-no-such-drive: ");
}

TEST(CdWithoutPath, TakesTheFirstDriveOrHasNoDisc) {
  auto log = std::make_shared<AudioRecording>();
  CdPlayer cd(MakeRecordingSinkFactory(log));
  if (CdSource::Resolve(std::nullopt).kind == CdSource::Kind::None) {
    ExpectNoDiscThroughEveryRole(cd, "(No CD Drive)", "CD: no drive found; name a drive or a disc image with --cd");
  } else {
    GTEST_SKIP() << "this machine has a CD drive; not touching it";
  }
}

}  // namespace
