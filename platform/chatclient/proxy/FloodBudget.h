#pragma once

#include <chrono>
#include <optional>

namespace irc {

// How fast the lines of one connection may leave, whoever writes them: a
// burst at once, then one an interval (a generic cell rate: the time at
// which the bucket would be empty again is all it keeps).
//
// The owner's client's lines are never held: each one is Spent as it passes.
// Morva's own lines wait until Allows says yes, so that the stream of both
// never goes past the pace, however much the client has sent.
class FloodBudget {
 public:
  using Clock = std::chrono::steady_clock;

  FloodBudget(int burst, Clock::duration interval);

  // Counts a line that leaves now, whether or not the budget allowed it.
  void Spend(Clock::time_point now);
  // Whether a line may leave now without going past the pace.
  bool Allows(Clock::time_point now) const;
  // When Allows turns true; now or earlier when it is already.
  Clock::time_point AllowedFrom() const;
  // A new connection starts with a full burst.
  void Reset() { emptyAt_ = {}; }

 private:
  Clock::duration interval_;
  Clock::duration slack_;  // (burst - 1) intervals
  Clock::time_point emptyAt_{};
};

}  // namespace irc
