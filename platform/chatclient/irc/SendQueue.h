#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include <QByteArray>

namespace irc {

// Outgoing wire lines, let out slowly enough that the server does not
// disconnect us for flooding: a burst of lines leaves at once, then one per
// interval, in order. At most `most` lines wait: past that the oldest line
// to a channel or a member (PRIVMSG) makes room, so that a stream of
// announcements (a volume slider dragged across its range) costs seconds of
// backlog, never minutes; the latest say what is true now. The bucket is kept as the time at
// which it would be empty again (a generic cell rate), so that lines that
// leave outside the queue (the owner's own client's, behind the proxy) can
// be counted too, and the queue's lines wait for them. What such lines
// run up is capped at one burst's worth, so that the queue's next line never
// waits longer than that, however many went before.
//
// It has no timer of its own: the caller passes the time to TakeDue, writes
// what it returns, and arms its own timer for NextDue.
class SendQueue {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SendQueue(int burst = 5, Clock::duration interval = std::chrono::seconds(1), std::size_t most = 20);

  // True when an older line was dropped to make room, the first time since
  // the queue was last empty: the caller says so once.
  bool Push(QByteArray line);
  // Counts a line that left now outside the queue, whether or not the pace allowed it.
  void Spend(Clock::time_point now);
  // Whether a line may leave now, for a caller that holds lines of its own;
  // and when one may.
  bool HasRoom(Clock::time_point now) const { return Allows(now); }
  Clock::time_point RoomAt() const { return emptyAt_ - slack_; }

  // The lines that may leave now, oldest first.
  std::vector<QByteArray> TakeDue(Clock::time_point now);

  // When TakeDue will next give a line; a time at or before now means at
  // once. Nothing while the queue is empty.
  std::optional<Clock::time_point> NextDue() const;

  // For a lost connection: empties the queue and gives back the lines that
  // were never sent, oldest first, so that the caller can say so. The next
  // connection starts with a full burst.
  std::vector<QByteArray> Clear();

  std::size_t size() const { return lines_.size(); }

 private:
  bool Allows(Clock::time_point now) const { return emptyAt_ <= now + slack_; }

  Clock::duration interval_;
  Clock::duration slack_;  // (burst - 1) intervals
  std::size_t most_;
  bool dropping_ = false;
  std::deque<QByteArray> lines_;
  Clock::time_point emptyAt_{};
};

}  // namespace irc
