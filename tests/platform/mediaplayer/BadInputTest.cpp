#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <vector>

#include "platform/mediaplayer/Mp3Decoder.h"
#include "tests/platform/mediaplayer/Mp3Fixtures.h"
#include "tests/platform/mediaplayer/PlayerHarness.h"
#include "src/seams/ControlError.h"

using namespace std::chrono_literals;

namespace {

std::vector<char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::filesystem::path& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  WriteBytes(path, text.data(), text.size());
}

// An ID3v2.3 tag with one title frame and nothing after it.
std::string Id3Only() {
  const std::string title = std::string("\0", 1) + "Just a tag";
  std::string frame = "TIT2";
  const auto size = static_cast<char>(title.size());
  frame += std::string("\0\0\0", 3) + size + std::string("\0\0", 2) + title;
  std::string tag = "ID3";
  tag += std::string("\x03\x00\x00", 3);
  tag += std::string("\0\0\0", 3) + static_cast<char>(frame.size() + 256);  // with padding
  return tag + frame + std::string(256, '\0');
}

class BadInputTest : public ::testing::Test {
 protected:
  const Mp3Fixtures& files = Mp3Fixtures::Get();
  PlayerHarness harness;
  Mp3Player& player = harness.player();
  std::filesystem::path dir = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());

  ~BadInputTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  void ExpectRefused(const std::filesystem::path& path) {
    SCOPED_TRACE(path.filename().string());
    EXPECT_THROW(harness.Open(path), ControlError);
    EXPECT_EQ(player.PlayState(), Mp3Player::kClosed);
    EXPECT_EQ(player.Duration(), 0.0);
  }
};

}  // namespace

TEST_F(BadInputTest, FilesWithoutAudioAreRefused) {
  ExpectRefused(dir / "missing.mp3");
  ExpectRefused(dir);  // a folder
  WriteText(dir / "empty.mp3", "");
  ExpectRefused(dir / "empty.mp3");
  std::string text;
  for (int i = 0; i < 400; ++i) text += "Line " + std::to_string(i) + " of a text file renamed to mp3.\n";
  WriteText(dir / "text.mp3", text);
  ExpectRefused(dir / "text.mp3");
  WriteText(dir / "tag.mp3", Id3Only());
  ExpectRefused(dir / "tag.mp3");
  for (unsigned seed : {1u, 2u, 3u, 42u, 1234u}) {
    std::mt19937 random(seed);
    std::vector<char> bytes(64 * 1024);
    for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    const auto path = dir / ("random" + std::to_string(seed) + ".mp3");
    WriteBytes(path, bytes.data(), bytes.size());
    ExpectRefused(path);
  }
  std::filesystem::permissions(dir / "empty.mp3", std::filesystem::perms::none);
  ExpectRefused(dir / "empty.mp3");
}

TEST_F(BadInputTest, AFileThatVanishesBeforeTheOpenIsRefused) {
  std::filesystem::copy_file(files.sweep, dir / "gone.mp3");
  std::filesystem::remove(dir / "gone.mp3");
  ExpectRefused(dir / "gone.mp3");
}

TEST_F(BadInputTest, AFifoIsRefusedWithoutWaitingForAWriter) {
  const auto fifo = dir / "pipe.mp3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto opening = std::async(std::launch::async, [&] { Mp3Decoder::Open(fifo.string()); });
  const bool returned = opening.wait_for(10s) == std::future_status::ready;
  // A writer lets an open that waits for one go on, so the test can end.
  if (!returned) ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
  EXPECT_TRUE(returned) << "the open waited for a writer";
  EXPECT_THROW(opening.get(), ControlError);
}

TEST_F(BadInputTest, AFailedOpenClosesThePlayingFile) {
  ASSERT_TRUE(harness.OpenHeldAt(files.sweep, 100));
  EXPECT_THROW(harness.Open(dir / "missing.mp3"), ControlError);
  EXPECT_EQ(player.PlayState(), Mp3Player::kClosed);
  EXPECT_EQ(player.Duration(), 0.0);
  EXPECT_TRUE(player.FileName().isEmpty());
  player.Play();  // nothing is left to resume
  EXPECT_EQ(player.PlayState(), Mp3Player::kClosed);
  harness.recording().Release();
  EXPECT_TRUE(harness.recording().WaitForCount(AudioRecording::Kind::Drop, 1));  // the old sound stops
}

TEST_F(BadInputTest, ALongFileWithoutAHeaderIsCountedByTheWorkerNotByTheOpen) {
  // The untagged file a hundred times over: 8,600 frames, more than the
  // worker counts at a time.
  const auto one = ReadBytes(files.untagged);
  std::vector<char> many;
  for (int i = 0; i < 100; ++i) many.insert(many.end(), one.begin(), one.end());
  const auto path = dir / "long.mp3";
  WriteBytes(path, many.data(), many.size());
  const double exact = static_cast<double>(DecodeAll(path).size()) / 8000.0;
  std::vector<double> counted;
  QObject::connect(&player, &Mp3Player::durationChanged, [&](double seconds) { counted.push_back(seconds); });

  harness.recording().HoldAt(0);  // the worker stops at its first write
  harness.Open(path);
  // The open has not read the file through: its length is estimated.
  EXPECT_NE(player.Duration(), exact);
  EXPECT_NEAR(player.Duration(), exact, exact / 2);
  harness.recording().Release();
  ASSERT_TRUE(WaitUntil([&] { return !counted.empty(); }));
  EXPECT_DOUBLE_EQ(player.Duration(), exact);
  EXPECT_EQ(counted, std::vector<double>{exact});
}

TEST_F(BadInputTest, AnInfoHeaderIsBelievedOnlyWhenTheFileSizeBearsItOut) {
  auto bytes = ReadBytes(files.sweep);
  const std::string tag = "Info";
  const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
  ASSERT_NE(at, bytes.end());
  const auto frameCount = at - bytes.begin() + 8;  // after the tag and its flags
  // The file holds 30 frames; its header is made to claim otherwise.
  for (const std::uint32_t claimed : {3u, 60u, 1u << 31, 0xFFFFFFFFu}) {
    SCOPED_TRACE(claimed);
    for (int i = 0; i < 4; ++i) bytes[frameCount + i] = static_cast<char>(claimed >> (24 - 8 * i));
    const auto path = dir / ("claims" + std::to_string(claimed) + ".mp3");
    WriteBytes(path, bytes.data(), bytes.size());
    QObject receiver;
    std::vector<double> counted;
    QObject::connect(&player, &Mp3Player::durationChanged, &receiver,
                     [&](double seconds) { counted.push_back(seconds); });
    harness.Open(path);
    EXPECT_NEAR(player.Duration(), 2.0, 0.5);  // from the file's size, not the claim
    ASSERT_TRUE(WaitUntil([&] { return !counted.empty(); }));
    EXPECT_DOUBLE_EQ(player.Duration(), static_cast<double>(DecodeAll(path).size()) / 8000.0);
  }
}

TEST_F(BadInputTest, TruncatedFilesPlayWhatTheyHoldOrAreRefused) {
  const auto whole = ReadBytes(files.sweep);
  std::vector<std::size_t> lengths{1, 2, 3, 4, 10, 50, 100, 200, 400};
  for (std::size_t length = 417; length < whole.size(); length += whole.size() / 37) lengths.push_back(length);
  lengths.push_back(whole.size() - 1);
  int played = 0;
  for (const std::size_t length : lengths) {
    SCOPED_TRACE(length);
    const auto path = dir / ("cut" + std::to_string(length) + ".mp3");
    WriteBytes(path, whole.data(), length);
    try {
      harness.Open(path);
    } catch (const ControlError&) {
      continue;
    }
    ++played;
    EXPECT_GT(player.Duration(), 0.0);
    EXPECT_LE(player.Duration(), 2.1);
    ASSERT_TRUE(harness.WaitUntilStopped());
  }
  EXPECT_GT(played, 30);  // a cut after the first frames still plays
}

TEST_F(BadInputTest, RemovingThePlayingFileChangesNothing) {
  player.SetVolume(0);
  const auto reference = DecodeAll(files.sweep);
  std::filesystem::copy_file(files.sweep, dir / "song.mp3");
  ASSERT_TRUE(harness.OpenHeldAt(dir / "song.mp3", 4000));
  std::filesystem::remove(dir / "song.mp3");
  harness.recording().Release();
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_EQ(harness.recording().Samples(), reference);
}

TEST_F(BadInputTest, AFileCutShortWhilePlayingEndsPlayback) {
  player.SetPlayCount(0);  // even while repeating
  std::filesystem::copy_file(files.tone, dir / "song.mp3");
  ASSERT_TRUE(harness.OpenHeldAt(dir / "song.mp3", 4000));
  std::filesystem::resize_file(dir / "song.mp3", 0);
  harness.recording().Release();
  ASSERT_TRUE(harness.WaitUntilStopped());
  EXPECT_LT(harness.recording().Frames(), 245u * 8000u);
}
