#pragma once

#include <cstdint>

// The runtime services the system needs besides windows: a clock, the event
// loop, a seed for random numbers. Tests put a clock they control behind it.
class Runtime {
 public:
  virtual ~Runtime() = default;

  // Seconds on a clock that never jumps back or restarts at midnight.
  virtual double Seconds() = 0;
  // Handles the events that are pending now, without waiting for more.
  virtual void ProcessPendingEvents() = 0;
  // Blocks until an event arrives or the clock reaches the deadline (in
  // Seconds()), whichever comes first, then handles the pending events once.
  virtual void ProcessEventsUntil(double deadline) = 0;
  // A seed taken from the system clock, for re-seeding a random generator.
  virtual std::uint64_t ClockSeed() = 0;
};
