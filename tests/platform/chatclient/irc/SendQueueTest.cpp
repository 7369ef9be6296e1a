#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

#include "tests/platform/chatclient/irc/QtPrinters.h"
#include "platform/chatclient/irc/SendQueue.h"

namespace irc {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<QByteArray>;

TEST(SendQueue, BurstsFiveThenOneASecondInOrder) {
  struct Step {
    std::chrono::milliseconds at;
    int push;  // lines pushed before taking, named L1, L2, ...
    Lines taken;
    std::optional<std::chrono::milliseconds> nextDue;
  };
  const std::vector<Step> steps = {
      {0ms, 8, {"L1", "L2", "L3", "L4", "L5"}, 1000ms},
      {500ms, 0, {}, 1000ms},
      {1000ms, 0, {"L6"}, 2000ms},
      {3500ms, 0, {"L7", "L8"}, std::nullopt},
      {3500ms, 1, {}, 4000ms},
      {4000ms, 0, {"L9"}, std::nullopt},
      {100000ms, 7, {"L10", "L11", "L12", "L13", "L14"}, 101000ms},
      {101000ms, 1, {"L15"}, 102000ms},
  };
  SendQueue queue;
  const auto t0 = SendQueue::Clock::time_point{} + 12345s;  // any point of the clock
  int pushed = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.at.count());
    for (int i = 0; i < step.push; ++i) queue.Push("L" + QByteArray::number(++pushed));
    EXPECT_EQ(queue.TakeDue(t0 + step.at), step.taken);
    if (step.nextDue) {
      EXPECT_EQ(queue.NextDue(), t0 + *step.nextDue);
    } else {
      EXPECT_EQ(queue.NextDue(), std::nullopt);
    }
  }
  EXPECT_EQ(queue.Clear(), (Lines{"L16", "L17"}));
  EXPECT_EQ(queue.NextDue(), std::nullopt);
  // A new connection starts with a full burst.
  for (int i = 0; i < 6; ++i) queue.Push("M");
  EXPECT_EQ(queue.TakeDue(t0 + 101500ms).size(), 5u);
  EXPECT_EQ(queue.NextDue(), t0 + 102500ms);
  // Lines counted from outside run up at most one burst: the queue's next
  // line waits a second, not a hundred.
  queue.Clear();
  for (int i = 0; i < 100; ++i) queue.Spend(t0 + 200s);
  queue.Push("N");
  EXPECT_EQ(queue.NextDue(), t0 + 201s);
}

TEST(SendQueue, KeepsTheLatestAnnouncementsAndEveryOtherLine) {
  SendQueue queue(5, 1s, 3);
  EXPECT_FALSE(queue.Push("JOIN #a"));
  EXPECT_FALSE(queue.Push("PRIVMSG #a :Volume 10"));
  EXPECT_FALSE(queue.Push("PRIVMSG #a :Volume 20"));
  EXPECT_TRUE(queue.Push("PRIVMSG #a :Volume 30"));  // said once
  EXPECT_FALSE(queue.Push("PRIVMSG #a :Volume 40"));
  EXPECT_EQ(queue.Clear(), (Lines{"JOIN #a", "PRIVMSG #a :Volume 30", "PRIVMSG #a :Volume 40"}));
  queue.Push("PRIVMSG #a :1");
  queue.Push("PRIVMSG #a :2");
  queue.Push("PRIVMSG #a :3");
  EXPECT_TRUE(queue.Push("PRIVMSG #a :4"));  // said again once the queue had emptied
}

}  // namespace
}  // namespace irc
