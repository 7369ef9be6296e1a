#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/stream/StreamQueue.h"

namespace {

using stream::Piece;
using stream::StreamQueue;

// An MPEG-1 Layer III frame header: 128 kbit/s at the rate and mode given.
std::array<unsigned char, 4> Header(int rateIndex, int mode) {
  return {0xff, 0xfb, static_cast<unsigned char>(0x90 | rateIndex << 2), static_cast<unsigned char>(mode << 6)};
}

// Frames of the stream's format pass as they are; anything else goes as
// its sound. A stream that cannot keep up loses its oldest sound, never a
// title, and never holds more than its limit.
TEST(StreamQueueTest, PassesStreamFramesKeepsTitlesAndDropsTheOldestSound) {
  StreamQueue queue(1.0);
  const std::vector<std::int16_t> second(44100 * 2, 7);
  const auto stereo44 = Header(0, 1);  // joint stereo, 44.1 kHz
  const auto stereo48 = Header(1, 1);
  const auto mono44 = Header(0, 3);
  queue.Title("first");
  queue.Sound(second.data(), 22050, 44100, 2, stereo44);
  queue.Sound(second.data(), 22050, 44100, 2, stereo48);
  queue.Sound(second.data(), 22050, 44100, 2, mono44);
  queue.Title("second");
  queue.Sound(second.data(), 22050, 44100, 2, {});

  const auto until = StreamQueue::Clock::now();
  const std::vector<Piece> taken = queue.Take(until);
  ASSERT_EQ(taken.size(), 4u);
  EXPECT_EQ(taken[0].title, "first");
  EXPECT_EQ(taken[1].kind, Piece::Kind::Pcm) << "mono frames go as their sound";
  EXPECT_EQ(taken[1].samples.size(), 22050u * 2);
  EXPECT_EQ(taken[2].title, "second");
  EXPECT_EQ(taken[3].kind, Piece::Kind::Pcm);
  EXPECT_DOUBLE_EQ(queue.DroppedSeconds(), 1.0) << "the oldest second of two went";

  queue.Sound(second.data(), 1152, 44100, 2, stereo44);
  queue.Sound(second.data(), 1152, 48000, 2, stereo48);
  const std::vector<Piece> more = queue.Take(until);
  ASSERT_EQ(more.size(), 2u);
  EXPECT_EQ(more[0].kind, Piece::Kind::Mpeg);
  EXPECT_EQ(more[0].mpeg.size(), 4u);
  EXPECT_TRUE(more[0].samples.empty());
  EXPECT_EQ(more[1].kind, Piece::Kind::Pcm) << "48 kHz frames go as their sound";
  EXPECT_EQ(more[1].rate, 48000);
  EXPECT_TRUE(queue.Take(until).empty());
}

// A player's chunks, each a little shorter than an MPEG frame, go out as the
// frames handed over with them: a chunk that brings no new frame adds its
// time and nothing to encode. Chunks in a row make one piece. After a title,
// sound without frames (a CD) is sound again.
TEST(StreamQueueTest, ChunksOfAFileGoAsItsFramesAndTheirTimeOnly) {
  StreamQueue queue(10.0);
  const std::vector<std::int16_t> chunk(1102 * 2, 7);
  const auto frame = Header(0, 1);
  queue.Sound(chunk.data(), 1102, 44100, 2, frame);
  queue.Sound(chunk.data(), 1102, 44100, 2, {});  // its sound is in the frame before
  queue.Sound(chunk.data(), 1102, 44100, 2, frame);
  queue.Title("Track 1");
  queue.Sound(chunk.data(), 1102, 44100, 2, {});
  queue.Sound(chunk.data(), 1102, 44100, 2, {});

  const std::vector<Piece> taken = queue.Take(StreamQueue::Clock::now());
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[0].kind, Piece::Kind::Mpeg);
  EXPECT_EQ(taken[0].mpeg.size(), 8u) << "two frames, nothing else";
  EXPECT_DOUBLE_EQ(taken[0].seconds, 3 * 1102 / 44100.0);
  EXPECT_EQ(taken[1].title, "Track 1");
  EXPECT_EQ(taken[2].kind, Piece::Kind::Pcm);
  EXPECT_EQ(taken[2].samples.size(), 2u * 1102 * 2);

  // Taken in between, the frameless chunk still counts its time.
  queue.Sound(chunk.data(), 1102, 44100, 2, frame);
  ASSERT_EQ(queue.Take(StreamQueue::Clock::now()).size(), 1u);
  queue.Sound(chunk.data(), 1102, 44100, 2, {});
  const std::vector<Piece> time = queue.Take(StreamQueue::Clock::now());
  ASSERT_EQ(time.size(), 1u);
  EXPECT_EQ(time[0].kind, Piece::Kind::Mpeg);
  EXPECT_TRUE(time[0].mpeg.empty());
  EXPECT_DOUBLE_EQ(time[0].seconds, 1102 / 44100.0);
}

// Sound waits for the taker's own time, however much of it there is; a new
// title wakes the taker once a little sound follows it.
TEST(StreamQueueTest, OnlyANewTitleWithSoundWakesTheTaker) {
  using namespace std::chrono_literals;
  StreamQueue queue(10.0);
  const std::vector<std::int16_t> second(44100 * 2, 7);
  queue.Sound(second.data(), 44100, 44100, 2, {});
  auto start = StreamQueue::Clock::now();
  EXPECT_EQ(queue.Take(start + 30ms).size(), 1u);
  EXPECT_GE(StreamQueue::Clock::now() - start, 30ms) << "sound alone does not wake";

  queue.Title("next");
  queue.Sound(second.data(), 2205, 44100, 2, {});
  start = StreamQueue::Clock::now();
  EXPECT_EQ(queue.Take(start + 30ms).size(), 2u);
  EXPECT_GE(StreamQueue::Clock::now() - start, 30ms) << "too little sound after the title";
  queue.Sound(second.data(), 8820, 44100, 2, {});
  start = StreamQueue::Clock::now();
  EXPECT_EQ(queue.Take(start + 5s).size(), 1u);
  EXPECT_LT(StreamQueue::Clock::now() - start, 2s) << "the rest of its sound, taken apart from the title, wakes";

  // From a player's thread, in chunks, as it plays.
  start = StreamQueue::Clock::now();
  std::thread player([&] {
    queue.Title("after");
    for (int chunk = 0; chunk < 20; ++chunk) queue.Sound(second.data(), 1102, 44100, 2, {});
  });
  std::vector<Piece> taken = queue.Take(start + 5s);
  EXPECT_LT(StreamQueue::Clock::now() - start, 2s) << "a title with sound after it wakes the taker";
  player.join();
  for (Piece& piece : queue.Take(StreamQueue::Clock::now())) taken.push_back(std::move(piece));
  ASSERT_FALSE(taken.empty());
  EXPECT_EQ(taken[0].title, "after");
  double seconds = 0.0;
  for (const Piece& piece : taken) seconds += piece.seconds;
  EXPECT_DOUBLE_EQ(seconds, 20 * 1102 / 44100.0);
}

}  // namespace
