#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include <QByteArray>

namespace irc {

// Outgoing wire lines, let out slowly enough that the server does not
// disconnect us for flooding: a token bucket that lets a burst of lines
// leave at once, then one per interval, in order, dropping nothing.
//
// It has no timer of its own: the caller passes the time to TakeDue, writes
// what it returns, and arms its own timer for NextDue.
class SendQueue {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SendQueue(int burst = 5, Clock::duration interval = std::chrono::seconds(1));

  void Push(QByteArray line);

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
  void Refill(Clock::time_point now);

  int burst_;
  Clock::duration interval_;
  std::deque<QByteArray> lines_;
  int tokens_;
  // While the bucket is not full: when it last gained a token (or began to
  // empty).
  Clock::time_point refilledAt_{};
  Clock::time_point lastNow_{};
};

}  // namespace irc
