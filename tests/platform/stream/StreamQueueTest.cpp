#include <gtest/gtest.h>

#include <array>
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

}  // namespace
